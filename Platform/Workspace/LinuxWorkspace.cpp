#include "Platform/Workspace/LinuxWorkspace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QMetaMethod>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTextStream>

#include <unistd.h>

namespace {

const QString login1Service = QStringLiteral("org.freedesktop.login1");
const QString login1Path = QStringLiteral("/org/freedesktop/login1");
const QString login1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString login1Session = QStringLiteral("org.freedesktop.login1.Session");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

} // namespace

LinuxWorkspace::LinuxWorkspace(QObject* parent, bool observeDesktop)
    : Workspace(parent)
    , m_mayObserve(observeDesktop)
{
}

bool LinuxWorkspace::launchApplication(
    const QString& executable, const QStringList& arguments, const QList<QPair<QString, QString>>& environment)
{
    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        env.insert(name, value);
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

QStringList LinuxWorkspace::applicationDirectories()
{
    QStringList bases;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    bases.append(home);
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    bases.append(dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts));
    QStringList result;
    for (const QString& base : std::as_const(bases))
        result.append(base + QStringLiteral("/applications"));
    return result;
}

std::optional<QString> LinuxWorkspace::bundleFromDesktopEntry(const QString& entryPath, const QString& bundleIdentifier)
{
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QString identifier, bundle;
    bool inEntry = false;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("X-Vantor-BundleIdentifier"))
            identifier = value;
        else if (key == QLatin1String("X-Vantor-Bundle"))
            bundle = value;
    }
    if (identifier != bundleIdentifier || bundle.isEmpty())
        return std::nullopt;
    return bundle;
}

std::optional<QString> LinuxWorkspace::applicationPath(const QString& bundleIdentifier)
{
    for (const QString& dir : applicationDirectories()) {
        const QString entry = dir + QLatin1Char('/') + bundleIdentifier + QStringLiteral(".desktop");
        if (auto bundle = bundleFromDesktopEntry(entry, bundleIdentifier))
            return bundle;
    }
    return std::nullopt;
}

// MARK: Sleep and session activity

void LinuxWorkspace::connectNotify(const QMetaMethod& signal)
{
    Workspace::connectNotify(signal);
    if (signal == QMetaMethod::fromSignal(&Workspace::screensDidSleep)
        || signal == QMetaMethod::fromSignal(&Workspace::screensDidWake)
        || signal == QMetaMethod::fromSignal(&Workspace::sessionDidResignActive)
        || signal == QMetaMethod::fromSignal(&Workspace::sessionDidBecomeActive))
        observeDesktop();
}

void LinuxWorkspace::observeDesktop()
{
    if (!m_mayObserve || m_observing)
        return;
    m_observing = true;

    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        system.connect(login1Service, login1Path, login1Manager, QStringLiteral("PrepareForSleep"), this,
            SLOT(onPrepareForSleep(bool)));
        // The session this process belongs to; a process started outside any session (a user
        // service) falls back to the session named in its environment.
        QDBusMessage call = QDBusMessage::createMethodCall(
            login1Service, login1Path, login1Manager, QStringLiteral("GetSessionByPID"));
        call << quint32(::getpid());
        auto* watcher = new QDBusPendingCallWatcher(system.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            QDBusPendingReply<QDBusObjectPath> reply = *finished;
            if (!reply.isError()) {
                observeLoginSession(reply.value().path());
                return;
            }
            const QString id = qEnvironmentVariable("XDG_SESSION_ID");
            if (id.isEmpty())
                return;
            QDBusMessage byId = QDBusMessage::createMethodCall(
                login1Service, login1Path, login1Manager, QStringLiteral("GetSession"));
            byId << id;
            auto* second = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(byId), this);
            connect(second, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                QDBusPendingReply<QDBusObjectPath> path = *done;
                if (!path.isError())
                    observeLoginSession(path.value().path());
            });
        });
    }

    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        const QList<QPair<QString, QString>> screenSavers {
            {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver")},
            {QStringLiteral("/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver")},
            {QStringLiteral("/org/gnome/ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver")},
        };
        for (const auto& [path, interface] : screenSavers)
            session.connect(QString(), path, interface, QStringLiteral("ActiveChanged"), this,
                SLOT(onScreenSaverActiveChanged(bool)));
    }
}

void LinuxWorkspace::observeLoginSession(const QString& sessionPath)
{
    if (sessionPath.isEmpty() || !m_sessionPath.isEmpty())
        return;
    m_sessionPath = sessionPath;
    QDBusConnection::systemBus().connect(login1Service, sessionPath, propertiesInterface,
        QStringLiteral("PropertiesChanged"), this, SLOT(onSessionPropertiesChanged(QString, QVariantMap, QStringList)));
    queryLoginSessionActive();
}

void LinuxWorkspace::queryLoginSessionActive()
{
    QDBusMessage get
        = QDBusMessage::createMethodCall(login1Service, m_sessionPath, propertiesInterface, QStringLiteral("Get"));
    get << login1Session << QStringLiteral("Active");
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::systemBus().asyncCall(get), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        QDBusPendingReply<QDBusVariant> reply = *finished;
        if (!reply.isError() && reply.value().variant().typeId() == QMetaType::Bool)
            setLoginSessionActive(reply.value().variant().toBool());
    });
}

void LinuxWorkspace::onPrepareForSleep(bool sleeping)
{
    setPreparingForSleep(sleeping);
}

void LinuxWorkspace::onScreenSaverActiveChanged(bool active)
{
    setScreenSaverActive(active);
}

void LinuxWorkspace::onSessionPropertiesChanged(
    const QString& interface, const QVariantMap& changed, const QStringList& invalidated)
{
    if (interface != login1Session)
        return;
    const auto active = changed.constFind(QStringLiteral("Active"));
    if (active != changed.constEnd() && active->typeId() == QMetaType::Bool)
        setLoginSessionActive(active->toBool());
    else if (invalidated.contains(QStringLiteral("Active")))
        queryLoginSessionActive();
}

void LinuxWorkspace::setPreparingForSleep(bool sleeping)
{
    if (sleeping == m_sleeping)
        return;
    m_sleeping = sleeping;
    if (sleeping)
        emit screensDidSleep();
    else
        emit screensDidWake();
}

void LinuxWorkspace::setLoginSessionActive(bool active)
{
    setSessionState(active, m_screenSaverActive);
}

void LinuxWorkspace::setScreenSaverActive(bool active)
{
    setSessionState(m_loginSessionActive, active);
}

void LinuxWorkspace::setSessionState(bool loginActive, bool screenSaverActive)
{
    const bool wasActive = m_loginSessionActive && !m_screenSaverActive;
    m_loginSessionActive = loginActive;
    m_screenSaverActive = screenSaverActive;
    const bool isActive = m_loginSessionActive && !m_screenSaverActive;
    if (isActive == wasActive)
        return;
    if (isActive)
        emit sessionDidBecomeActive();
    else
        emit sessionDidResignActive();
}
