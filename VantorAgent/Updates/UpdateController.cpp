#include "VantorAgent/Updates/UpdateController.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Updates/FeedUpdater.h"
#include "Platform/Updates/StandardUserDriver.h"
#include "Platform/Updates/UpdateInstallation.h"
#include "VantorAgent/Updates/UpdateDialogTexts.h"
#include "VantorAgent/Updates/UpdatePolicy.h"
#include "VantorShared/Policies/BundleVersion.h"
#include "VantorShared/Policies/UpdateOffer.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

UpdateController::Environment UpdateController::Environment::system()
{
    Environment environment;
    environment.agentBundlePath = Bundle::main().path();
    environment.processEnvironment = QProcessEnvironment::systemEnvironment();
    environment.installationReason
        = [](const QString& host) { return UpdateInstallation::reasonNotToUpdate(host, packageName); };
    environment.makeUserDriver = []() -> std::unique_ptr<UpdateUserDriver> {
        return std::make_unique<StandardUserDriver>(QStringLiteral("Vantor"), UpdateDialogTexts::make());
    };
    environment.makeUpdater = [](const QString& host, const QString& application, UpdateUserDriver* driver,
                                  UpdaterDelegate* delegate) -> std::unique_ptr<Updater> {
        FeedUpdater::Options options;
        options.packageName = packageName;
        return std::make_unique<FeedUpdater>(
            host, application, driver, delegate, PreferencesDomain::standard(), std::move(options));
    };
    environment.settingsApps = std::make_shared<SystemSettingsAppProcesses>();
    return environment;
}

UpdateController::UpdateController(Environment environment, QObject* parent)
    : QObject(parent)
    , m_environment(std::move(environment))
{
}

UpdateController::~UpdateController()
{
    for (const auto& connection : std::as_const(m_observations))
        disconnect(connection);
}

UpdateController& UpdateController::shared()
{
    // Never destroyed: it lives as long as the agent process, like the delegate that starts it.
    static UpdateController* controller = new UpdateController();
    return *controller;
}

std::optional<QString> UpdateController::hostBundleURL(const QString& agentBundlePath)
{
    QString host = QDir::cleanPath(agentBundlePath);
    for (int i = 0; i < 4; ++i)
        host = QFileInfo(host).path();
    if (QFileInfo(host).suffix() == QLatin1String("app"))
        return host;
    return std::nullopt;
}

void UpdateController::start()
{
    using namespace SharedSettings;
    // Once per process: a second start would listen twice.
    if (m_started)
        return;
    m_started = true;
    const auto hostPath = hostBundleURL(m_environment.agentBundlePath);
    const auto host = hostPath ? Bundle::open(*hostPath) : std::nullopt;
    if (!host) {
        qCInfo(lcAgentUpdates, "updates off: this agent is not embedded in Vantor.app");
        return;
    }

    const QVariant keyValue = host->infoValue(QStringLiteral("SUPublicEDKey"));
    const QString publicKey = keyValue.typeId() == QMetaType::QString ? keyValue.toString() : QString();
    if (UpdatePolicy::isDisabled(m_environment.processEnvironment, publicKey)) {
        qCInfo(lcAgentUpdates, "updates off: no SUPublicEDKey, or disabled for this run");
        store().setBool(Key::updaterCanCheck, false);
        return;
    }
    // A copy that the package manager or an administrator installed is theirs to update.
    if (const auto reason = m_environment.installationReason(*hostPath)) {
        qCInfo(lcAgentUpdates, "updates off: %s", qPrintable(*reason));
        store().setBool(Key::updaterCanCheck, false);
        return;
    }

    m_userDriver = m_environment.makeUserDriver();
    m_updater = m_environment.makeUpdater(*hostPath, m_environment.agentBundlePath, m_userDriver.get(), this);
    if (const auto error = m_updater->start()) {
        qCCritical(lcAgentUpdates, "the updater did not start: %s", qPrintable(error->description));
        m_updater.reset();
        m_userDriver.reset();
        return;
    }

    QPointer<UpdateController> self(this);
    m_signals.listen(Signal::checkForUpdates, [self] {
        // A check that runs already owns the dialogs; asking again does nothing.
        if (self && self->m_updater && self->m_updater->canCheckForUpdates())
            self->m_updater->checkForUpdates();
    });

    if (const auto offer = store().stringForKey(Key::updatesAvailable)) {
        const auto agent = Bundle::open(m_environment.agentBundlePath);
        const QString installed = agent ? BundleVersion::text(*agent) : BundleVersion::text();
        if (UpdateOffer::isSpent(*offer, installed))
            publish(std::nullopt);
    }

    m_signals.listen(Signal::settings, [self] {
        if (self)
            self->adoptAutomaticCheckSetting();
    });
    adoptAutomaticCheckSetting();

    store().setBool(Key::updaterCanCheck, m_updater->canCheckForUpdates());
    m_observations.append(connect(m_updater.get(), &Updater::canCheckForUpdatesChanged, this,
        [](bool canCheck) { store().setBool(Key::updaterCanCheck, canCheck); }));
}

void UpdateController::adoptAutomaticCheckSetting()
{
    if (!m_updater)
        return;
    const bool wanted = SharedSettings::store().boolForKey(SharedSettings::Key::updatesCheckAutomatically);
    if (m_updater->automaticallyChecksForUpdates() != wanted)
        m_updater->setAutomaticallyChecksForUpdates(wanted);
}

void UpdateController::publish(const std::optional<QString>& offer)
{
    using namespace SharedSettings;
    if (offer)
        store().setString(Key::updatesAvailable, *offer);
    else
        store().removeObjectForKey(Key::updatesAvailable);
    post(Signal::updateAvailable);
}

void UpdateController::didFindValidUpdate(const AppcastItem& item)
{
    publish(UpdateOffer::name(item.displayVersionString, item.versionString));
    qCInfo(lcAgentUpdates, "update available: %s", qPrintable(item.displayVersionString));
}

void UpdateController::didNotFindUpdate(const UpdateError& error)
{
    publish(std::nullopt);
    qCInfo(lcAgentUpdates, "no update: %s", qPrintable(error.description));
}

void UpdateController::userDidMakeChoice(UpdateChoice choice, const AppcastItem&)
{
    if (choice == UpdateChoice::skip)
        publish(std::nullopt);
}

void UpdateController::didAbortWithError(const UpdateError& error)
{
    qCInfo(lcAgentUpdates, "update aborted: %s", qPrintable(error.description));
}

void UpdateController::willDownloadUpdate(const AppcastItem&)
{
    m_busy = true;
}

void UpdateController::didFinishUpdateCycle(const std::optional<UpdateError>&)
{
    m_busy = false;
}

void UpdateController::willInstallUpdate(const AppcastItem&)
{
    closeSettingsApps();
}

void UpdateController::closeSettingsApps()
{
    SettingsAppProcesses& apps = *m_environment.settingsApps;
    const QList<qint32> running = apps.running();
    if (running.isEmpty())
        return;
    for (const qint32 pid : running)
        apps.terminate(pid);

    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < m_environment.quitTimeout.count()) {
        if (std::all_of(running.begin(), running.end(), [&apps](qint32 pid) { return apps.hasTerminated(pid); }))
            return;
        // Keep the agent's own events flowing while we wait.
        QEventLoop loop;
        QTimer::singleShot(m_environment.quitPollInterval, &loop, &QEventLoop::quit);
        loop.exec();
    }
    for (const qint32 pid : running) {
        if (!apps.hasTerminated(pid)) {
            qCInfo(lcAgentUpdates, "the settings app did not quit; forcing it, pid %d", int(pid));
            apps.forceTerminate(pid);
        }
    }
}
