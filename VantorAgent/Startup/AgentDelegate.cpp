#include "VantorAgent/Startup/AgentDelegate.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/MenuBar/AdaptiveStatusBar.h"
#include "VantorAgent/Startup/AgentInstance.h"
#include "VantorAgent/Updates/UpdateController.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"
#include "VantorShared/System/AppLinks.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>

#include <unistd.h>

AgentDelegate::Environment AgentDelegate::Environment::system()
{
    Environment environment;
    environment.pid = qint32(::getpid());
    environment.unitTestHost = AppLinks::isUnitTestHost();
    environment.agents = [] { return ProcessScan::agents(); };
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

AgentDelegate::~AgentDelegate()
{
    // Only a delegate that got as far as the menu bar claimed the name.
    if (m_statusBarController)
        AppLinks::releaseAgentBusName();
}

void AgentDelegate::applicationDidFinishLaunching()
{
    SharedSettings::prepareAtLaunch();

    if (!m_environment.unitTestHost) {
        if (shouldYieldToAnEarlierInstance()) {
            qCInfo(lcAgentLifecycle, "another copy of this install is already up; exiting");
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
    if (auto* adaptive = qobject_cast<AdaptiveStatusBar*>(m_statusBar.get()))
        adaptive->attach(*m_statusBarController);
    UpdateController::shared().start();
    // The settings app watches this name to notice the agent starting and exiting.
    AppLinks::claimAgentBusName();

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
}

bool AgentDelegate::shouldYieldToAnEarlierInstance() const
{
    return AgentInstance::shouldYield(m_environment.pid, m_environment.agents());
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
