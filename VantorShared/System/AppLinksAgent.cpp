// The members of AppLinks that start, find and announce the agent.
#include "VantorShared/System/AppLinks.h"

#include "Platform/Session/InstanceClaim.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Workspace/Workspace.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <limits>

namespace AppLinks {
namespace {

const QString agentBundleInApp = QStringLiteral("/Contents/Library/LoginItems/VantorAgent.app");
const QString executableInBundle = QStringLiteral("/Contents/MacOS/VantorAgent");
// How long an agent that was told to quit gets before the next look.
constexpr int retryMilliseconds = 500;

std::function<QList<ProcessScan::Entry>()>& processSource()
{
    static std::function<QList<ProcessScan::Entry>()> source;
    return source;
}

// The agent that has just been started, found by its executable.
std::optional<qint32> startedAgentPid(const QString& executable)
{
    const QString wanted = QFileInfo(executable).canonicalFilePath();
    for (const ProcessScan::Entry& entry : agentProcesses())
        if (entry.path == executable || (!wanted.isEmpty() && entry.path == wanted))
            return entry.pid;
    return std::nullopt;
}

QString suiteDigest(const QString& suite)
{
    // A suite name may hold characters a bus name or file name cannot; its digest never does.
    return QString::fromLatin1(QCryptographicHash::hash(suite.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

} // namespace

QString agentBusName(const QString& suite)
{
    if (suite == SharedSettings::defaultSuiteName)
        return agentIdentifier;
    return agentIdentifier + QStringLiteral(".s") + suiteDigest(suite);
}

QString agentBusName()
{
    return agentBusName(SharedSettings::suiteName());
}

QString agentLockPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    folder = folder.isEmpty() || !QDir::isAbsolutePath(folder) ? PreferencesDomain::defaultDirectory()
                                                               : folder + QStringLiteral("/vantor");
    return folder + QStringLiteral("/agent-") + suiteDigest(SharedSettings::suiteName()) + QStringLiteral(".lock");
}

std::optional<qint32> runningAgent()
{
    if (const auto& source = processSource()) {
        const QList<ProcessScan::Entry> agents = source();
        return agents.isEmpty() ? std::nullopt : std::optional<qint32>(agents.first().pid);
    }
    std::optional<qint64> holder;
    if (!InstanceClaim::isHeld(agentBusName(), agentLockPath(), &holder))
        return std::nullopt;
    return qint32(holder.value_or(0));
}

QString embeddedAgentURL()
{
    return Bundle::main().path() + agentBundleInApp;
}

QList<ProcessScan::Entry> agentProcesses()
{
    if (const auto& source = processSource())
        return source();
    return ProcessScan::agents();
}

void setAgentProcessesForTesting(std::function<QList<ProcessScan::Entry>()> source)
{
    processSource() = std::move(source);
}

std::optional<Bundle> runningAgentBundle(const QList<ProcessScan::Entry>& agents)
{
    const ProcessScan::Entry* first = nullptr;
    qint64 firstStart = 0;
    for (const ProcessScan::Entry& entry : agents) {
        const qint64 start = entry.started.value_or(std::numeric_limits<qint64>::max());
        if (!first || start < firstStart) {
            first = &entry;
            firstStart = start;
        }
    }
    if (!first || !first->path.endsWith(ProcessScan::agentExecutableSuffix))
        return std::nullopt;
    return Bundle::open(first->path.chopped(executableInBundle.size()));
}

std::optional<Bundle> runningAgentBundle()
{
    if (processSource())
        return runningAgentBundle(agentProcesses());
    const auto pid = runningAgent();
    if (!pid || *pid <= 0)
        return std::nullopt;
    return runningAgentBundle({ProcessScan::Entry {*pid, std::nullopt, InstanceClaim::programOf(*pid)}});
}

bool launchAgentIfNeeded(int retriesLeft)
{
    if (const auto running = runningAgent()) {
        qCInfo(lcAppLinks, "agent already running (pid %d); retries left %ld", int(*running), long(retriesLeft));
        if (retriesLeft >= 1 && QCoreApplication::instance()) {
            QTimer::singleShot(retryMilliseconds, QCoreApplication::instance(), [retriesLeft] {
                // The user may have switched the agent off meanwhile.
                if (SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled))
                    launchAgentIfNeeded(retriesLeft - 1);
            });
        }
        return false;
    }

    const QString agentPath = embeddedAgentURL();
    qCInfo(lcAppLinks, "starting the agent at %s", qPrintable(agentPath));
    const auto bundle = Bundle::open(agentPath);
    const QString executable = bundle ? bundle->executablePath() : QString();
    const QFileInfo program(executable);
    if (executable.isEmpty() || !program.isFile() || !program.isExecutable()) {
        qCCritical(lcAppLinks, "could not start the agent: %s",
            qPrintable(QStringLiteral("no agent program in %1").arg(agentPath)));
        return false;
    }
    if (!Workspace::shared().launchApplication(executable, {}, testEnvironment())) {
        qCCritical(lcAppLinks, "could not start the agent: %s",
            qPrintable(QStringLiteral("%1 did not start").arg(executable)));
        return false;
    }
    if (const auto pid = startedAgentPid(executable))
        qCInfo(lcAppLinks, "agent started, pid %d", int(*pid));
    else
        qCInfo(lcAppLinks, "agent started");
    return true;
}

void observeAgentPresence(QObject* context, std::function<void()> changed)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!context || !bus.isConnected())
        return;
    auto* watcher = new QDBusServiceWatcher(agentBusName(), bus, QDBusServiceWatcher::WatchForOwnerChange, context);
    QObject::connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, context,
        [changed = std::move(changed)](const QString&, const QString&, const QString&) { changed(); });
}

} // namespace AppLinks
