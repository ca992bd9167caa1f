#include "Vantor/AgentControl/AgentController.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Signals/SignalTransport.h"
#include "Vantor/AgentControl/AgentRow.h"
#include "Vantor/AgentControl/SidebarSignalIcon.h"
#include "Vantor/Pages/SwitchButton.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/AppLinks.h"
#include "VantorShared/System/ProcessScan.h"
#include "tests/support/AgentProcess.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/ProcessTestTurn.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace {

// The agent processes as the test sets them.
class FakeProcesses {
public:
    FakeProcesses()
    {
        AppLinks::setAgentProcessesForTesting([this] { return running; });
    }
    ~FakeProcesses() { AppLinks::setAgentProcessesForTesting({}); }
    QList<ProcessScan::Entry> running;
};

const ProcessScan::Entry oldAgent {
    77, 1, QStringLiteral("/opt/Vantor.app/Contents/Library/LoginItems/VantorAgent.app/Contents/MacOS/VantorAgent")};

class AgentControllerTest : public ::testing::Test {
protected:
    AgentControllerTest()
        : main(QStringLiteral(VANTOR_APP_BUNDLE))
    {
    }
    IsolatedSettings settings {QStringLiteral("control.suite")};
    ScopedMainBundle main;
    FakeProcesses processes;
};

} // namespace

TEST_F(AgentControllerTest, SwitchingOffAndOnWithinASecondStartsANewAgentOnceTheOldOneHasGone)
{
    processes.running = {oldAgent};
    AgentController controller;
    EXPECT_TRUE(controller.isRunning());

    controller.setEnabled(false);
    EXPECT_FALSE(SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled));
    EXPECT_EQ(settings.transport.posted, QStringList {QStringLiteral("control.suite.quitAgent")});
    EXPECT_FALSE(controller.isRunning());

    controller.setEnabled(true);
    EXPECT_TRUE(SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled));
    EXPECT_TRUE(controller.isRunning());
    QTest::qWait(600);
    EXPECT_TRUE(settings.workspace.launches.isEmpty());
    processes.running.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !settings.workspace.launches.isEmpty(); }, 2000));
    EXPECT_EQ(settings.workspace.launches.size(), 1);
    EXPECT_EQ(settings.transport.posted.size(), 1);
}

TEST_F(AgentControllerTest, SwitchingOffWhileRetriesArePendingStopsThem)
{
    processes.running = {oldAgent};
    AgentController controller;
    controller.setEnabled(true);
    controller.setEnabled(false);
    processes.running.clear();
    QTest::qWait(1200);
    EXPECT_TRUE(settings.workspace.launches.isEmpty());
    EXPECT_FALSE(controller.isRunning());
}

TEST_F(AgentControllerTest, RunningFollowsTheProcessesWithASecondLook)
{
    AgentController controller;
    EXPECT_FALSE(controller.isRunning());
    QList<bool> changes;
    QObject::connect(&controller, &AgentController::isRunningChanged, [&](bool running) { changes.append(running); });

    // The list changes while the agent is still starting: the first look misses it, the second
    // a second later finds it.
    controller.runningApplicationsChanged();
    QTest::qWait(100);
    EXPECT_FALSE(controller.isRunning());
    processes.running = {oldAgent};
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isRunning(); }, 2000));

    // A failed start leaves the switch off after the next look.
    processes.running.clear();
    controller.setEnabled(true);
    controller.applicationDidBecomeActive();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isRunning(); }, 1000));
    // Only real changes were announced.
    EXPECT_EQ(changes, (QList<bool> {true, false}));
}

TEST_F(AgentControllerTest, TheRowShowsTheStateAndItsSwitchControlsTheAgent)
{
    AgentController controller;
    AgentRow row(controller);
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("Off"));
    EXPECT_FALSE(row.toggle()->isChecked());
    EXPECT_EQ(row.toggle()->accessibleName(), QStringLiteral("Show Vantor's meters"));
    EXPECT_EQ(row.toggle()->toolTip(), QStringLiteral("Show Vantor's meters"));
    EXPECT_TRUE(row.toggle()->text().isEmpty());
    EXPECT_TRUE(row.findChild<SidebarSignalIcon*>()->hasImage());

    row.toggle()->click();
    EXPECT_TRUE(SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled));
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("On"));
    ASSERT_EQ(settings.workspace.launches.size(), 1);

    processes.running = {oldAgent};
    row.toggle()->click();
    EXPECT_EQ(settings.transport.posted.last(), QStringLiteral("control.suite.quitAgent"));
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("Off"));
    // The agent is still exiting; the next look says so and the row follows.
    controller.applicationDidBecomeActive();
    ASSERT_TRUE(QTest::qWaitFor([&] { return row.toggle()->isChecked(); }, 1000));
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("On"));
}

TEST_F(AgentControllerTest, AFailedStartTurnsTheRowBackToOffWhileTheWindowStaysInFront)
{
    AgentController controller;
    AgentRow row(controller);
    settings.workspace.launchSucceeds = false;
    row.toggle()->click();
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("On"));
    // No activation, no bus event: the follow-up look alone finds nothing running.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isRunning(); }, 2500));
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("Off"));
    EXPECT_FALSE(row.toggle()->isChecked());
    EXPECT_TRUE(SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled)) << "the wish stays";

    // The same for a start that worked but whose agent died before it held its name.
    settings.workspace.launchSucceeds = true;
    controller.setEnabled(true);
    EXPECT_TRUE(controller.isRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !controller.isRunning(); }, 2500));
}

namespace {

bool busNameOwned()
{
    auto* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(AppLinks::agentBusName()).value();
}

// Agent processes other than those in `before` that run `program` as an agent: other tests
// start snapshots (--readings) and agents of their own at the same time.
QList<ProcessScan::Entry> newAgents(const QSet<qint32>& before, const QString& program)
{
    QList<ProcessScan::Entry> found;
    for (const ProcessScan::Entry& entry : ProcessScan::agents()) {
        if (before.contains(entry.pid) || QDir::cleanPath(entry.path) != program)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(entry.pid));
        if (cmdline.open(QIODevice::ReadOnly) && !cmdline.readAll().split('\0').contains("--readings"))
            found.append(entry);
    }
    return found;
}

bool stillRuns(qint32 pid)
{
    const QList<ProcessScan::Entry> agents = ProcessScan::agents();
    return std::any_of(
        agents.cbegin(), agents.cend(), [pid](const ProcessScan::Entry& entry) { return entry.pid == pid; });
}

} // namespace

TEST(AgentControlEndToEnd, TheSwitchStartsAndStopsTheRealEmbeddedAgent)
{
    ProcessTestTurn turn;
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    // The agent inherits this process's environment: its own settings folder, the suite name
    // through the test environment, no display.
    IsolatedSettings settings(QStringLiteral("control.e2e.%1").arg(QCoreApplication::applicationPid()));
    SignalTransport::setShared(nullptr);
    Workspace::setShared(nullptr);
    ScopedMainBundle main(QStringLiteral(VANTOR_APP_BUNDLE));
    ScopedEnv offscreen("QT_QPA_PLATFORM", QByteArray("offscreen"));
    ScopedEnv updater("VANTOR_DISABLE_UPDATER", QByteArray("1"));

    AgentController controller;
    AgentRow row(controller);
    EXPECT_FALSE(row.toggle()->isChecked());
    const QString program
        = QFileInfo(QStringLiteral(VANTOR_AGENT_BUNDLE "/Contents/MacOS/VantorAgent")).canonicalFilePath();
    QSet<qint32> before;
    for (const ProcessScan::Entry& entry : ProcessScan::agents())
        before.insert(entry.pid);
    row.toggle()->click();

    ASSERT_TRUE(QTest::qWaitFor([&] { return !newAgents(before, program).isEmpty(); }, 10000));
    const ProcessScan::Entry started = newAgents(before, program).first();
    // Up and listening once it holds its name on the bus; the row has been told.
    ASSERT_TRUE(QTest::qWaitFor(busNameOwned, 15000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.isRunning(); }, 2000));
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("On"));
    const auto bundle = AppLinks::runningAgentBundle();
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->identifier(), QStringLiteral("com.quillon.vantor.agent"));

    row.toggle()->click();
    EXPECT_FALSE(SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled));
    const bool exited = QTest::qWaitFor([&] { return !stillRuns(started.pid); }, 10000);
    if (!exited)
        ::kill(started.pid, SIGTERM);
    ASSERT_TRUE(exited);
    // The bus tells the controller; its looks agree with the processes.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !busNameOwned(); }, 5000));
    QTest::qWait(1100);
    EXPECT_FALSE(controller.isRunning());
    EXPECT_EQ(row.stateLabel()->text(), QStringLiteral("Off"));
    EXPECT_FALSE(row.toggle()->isChecked());
}

TEST(AgentControlEndToEnd, OnlyAnAgentOfThisSessionAndSuiteCountsAsRunning)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    const QString pid = QString::number(QCoreApplication::applicationPid());
    IsolatedSettings settings(QStringLiteral("control.mine.") + pid);
    ScopedMainBundle main(QStringLiteral(VANTOR_APP_BUNDLE));
    SignalTransport::setShared(nullptr);
    SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, true);

    // An agent of another suite (as of another session), and a readings snapshot of this one.
    AgentProcess other(QStringLiteral("control.other.") + pid);
    other.process.start();
    ASSERT_TRUE(other.waitForLog(QStringLiteral("up, pid"), 15000)) << other.log.toStdString();
    AgentProcess snapshot(QStringLiteral("control.mine.") + pid);
    snapshot.process.setArguments({QStringLiteral("--readings")});
    snapshot.process.start();
    ASSERT_TRUE(snapshot.process.waitForStarted());
    ::kill(pid_t(snapshot.process.processId()), SIGSTOP);

    EXPECT_FALSE(AppLinks::runningAgent().has_value());
    AgentController controller;
    EXPECT_FALSE(controller.isRunning());
    EXPECT_TRUE(AppLinks::launchAgentIfNeeded(0)) << "this session's agent is started";
    EXPECT_EQ(settings.workspace.launches.size(), 1);
    ::kill(pid_t(snapshot.process.processId()), SIGCONT);
}
