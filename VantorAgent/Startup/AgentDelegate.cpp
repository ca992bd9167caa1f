#include "VantorAgent/Startup/AgentDelegate.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Http/HttpMetricsEndpoint.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachinesFeature.h"
#include "VantorAgent/MenuBar/AdaptiveStatusBar.h"
#include "VantorAgent/Updates/UpdateController.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"
#include "VantorShared/System/AppLinks.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <unistd.h>

AgentDelegate::Environment AgentDelegate::Environment::system()
{
    Environment environment;
    environment.pid = qint32(::getpid());
    environment.unitTestHost = AppLinks::isUnitTestHost();
    environment.makeClaim
        = [] { return std::make_unique<InstanceClaim>(AppLinks::agentBusName(), AppLinks::agentLockPath()); };
    environment.terminate = [] { QCoreApplication::quit(); };
    environment.startDetached = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    environment.executablePath = [] {
        const QString bundled = Bundle::main().executablePath();
        return bundled.isEmpty() ? QCoreApplication::applicationFilePath() : bundled;
    };
    environment.makeStatusBar = []() -> std::unique_ptr<StatusBar> {
        // The top bar or the desktop's tray, whichever the desktop suits.
        return std::make_unique<AdaptiveStatusBar>(AdaptiveStatusBar::Environment::system());
    };
    return environment;
}

AgentDelegate::AgentDelegate(Environment environment, QObject* parent)
    : QObject(parent)
    , m_environment(std::move(environment))
{
}

AgentDelegate::~AgentDelegate() = default;

void AgentDelegate::applicationDidFinishLaunching()
{
    SharedSettings::prepareAtLaunch();

    if (!m_environment.unitTestHost) {
        if (!claimInstance()) {
            m_environment.terminate();
            return;
        }
        if (!SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled)) {
            qCInfo(lcAgentLifecycle, "the master switch is off; exiting");
            m_environment.terminate();
            return;
        }
    }

    qCInfo(lcAgentLifecycle, "up, pid %d", int(m_environment.pid));

    // A test host listens too, so that it can be told to quit.
    m_signals.listen(SharedSettings::Signal::quitAgent, [terminate = m_environment.terminate] { terminate(); });

    if (m_environment.unitTestHost)
        return;

    m_statusBar = m_environment.makeStatusBar();
    m_statusBarController = std::make_unique<StatusBarController>(
        std::make_unique<SystemMonitor>(m_environment.monitorSources), *m_statusBar, PreferencesDomain::standard());
    if (auto* adaptive = qobject_cast<AdaptiveStatusBar*>(m_statusBar.get())) {
        adaptive->attach(*m_statusBarController);
        // A tray item has no window of ours to hang the popover from: the host tells where it was clicked.
        StatusBarController* controller = m_statusBarController.get();
        connect(adaptive, &AdaptiveStatusBar::trayItemClicked, controller,
            [controller](MonitorSection section, std::optional<QPoint> at) { controller->togglePopover(section, at); });
    }
    std::unique_ptr<MetricsEndpoint> endpoint = m_environment.makeMetricsEndpoint
        ? m_environment.makeMetricsEndpoint()
        : std::make_unique<HttpMetricsEndpoint>();
    m_metricsExport = std::make_unique<MetricsExport>(std::move(endpoint), m_statusBarController->monitor());
    m_metricsExport->apply();
    m_machines = std::make_unique<MachinesFeature>(*m_statusBar, PreferencesDomain::standard());
    m_machines->applySettings();
    // The meters first: the updater's start writes to the store, and a write may have to wait for
    // another process's lock.
    QTimer::singleShot(0, this, [] { UpdateController::shared().start(); });

    QPointer<AgentDelegate> self(this);
    m_signals.listen(SharedSettings::Signal::settings, [self] {
        if (self)
            self->handleSettingsSignal();
    });
}

void AgentDelegate::handleSettingsSignal()
{
    // A language change is picked up by starting over in the new language; never in the middle of
    // an update, which a later settings signal will find finished.
    if (AppLanguage::processIsStale() && !UpdateController::shared().isBusy()) {
        AppLanguage::applyChoiceToProcessDefaults();
        relaunch();
        return;
    }
    applyMeterSettings();
}

void AgentDelegate::applyMeterSettings()
{
    if (m_statusBarController)
        m_statusBarController->applyMeterSettings();
    if (m_metricsExport)
        m_metricsExport->apply();
    if (m_machines)
        m_machines->applySettings();
}

bool AgentDelegate::claimInstance()
{
    m_claim = m_environment.makeClaim ? m_environment.makeClaim() : nullptr;
    if (!m_claim)
        return true;
    const auto describe = [](std::optional<qint64> pid) {
        if (!pid)
            return QStringLiteral("pid unknown");
        const QString program = InstanceClaim::programOf(*pid);
        return program.isEmpty() ? QStringLiteral("pid %1").arg(*pid)
                                 : QStringLiteral("pid %1, %2").arg(*pid).arg(program);
    };
    switch (m_claim->claim()) {
    case InstanceClaim::Outcome::owned:
        break;
    case InstanceClaim::Outcome::heldElsewhere:
        qCInfo(lcAgentLifecycle,
            "an agent of this user, session bus and settings suite is already running (%s); exiting",
            qPrintable(describe(m_claim->holderPid())));
        m_claim.reset();
        return false;
    case InstanceClaim::Outcome::failed:
        // Better a second agent than none: the meters are what the user asked for.
        qCWarning(lcAgentLifecycle, "cannot tell whether another agent is running (%s); starting anyway",
            qPrintable(m_claim->problem()));
        return true;
    }
    // Whoever holds the claim is the agent; having lost it, this copy is not one any more.
    connect(m_claim.get(), &InstanceClaim::lost, this, [this, describe] {
        std::optional<qint64> holder;
        InstanceClaim::isHeld(AppLinks::agentBusName(), AppLinks::agentLockPath(), &holder);
        qCInfo(lcAgentLifecycle, "this agent lost its claim (now %s); exiting",
            qPrintable(holder ? describe(holder) : QStringLiteral("held by no one")));
        m_environment.terminate();
    });
    return true;
}

QStringList AgentDelegate::relaunchArguments(qint32 pid, const QString& executable)
{
    // "$1" is the pid and "$2" the program; the script text itself never contains either.
    return {QStringLiteral("-c"), QStringLiteral("while kill -0 \"$1\" 2>/dev/null; do sleep 0.1; done; exec \"$2\""),
        QStringLiteral("sh"), QString::number(pid), executable};
}

void AgentDelegate::relaunch()
{
    // Whether or not the shell starts, this copy quits; the user can start the agent again from
    // the settings app.
    m_environment.startDetached(relaunchShell, relaunchArguments(m_environment.pid, m_environment.executablePath()));
    m_environment.terminate();
}
