#include "Platform/Bundles/Bundle.h"
#include "Platform/Display/DisplayCheck.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Signals/DBusSignalTransport.h"
#include "VantorAgent/Startup/AgentDelegate.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/AgentProcess.h"
#include "tests/support/FakeSMCTransport.h"
#include "tests/support/FakeStatusBar.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/FixtureTree.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/ProcessTestTurn.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <unicode/locid.h>

namespace {

// Collects what the agent logs under its lifecycle category while it is alive.
class LifecycleLog {
public:
    LifecycleLog()
    {
        s_lines = &lines;
        m_previous = qInstallMessageHandler(&LifecycleLog::handle);
    }
    ~LifecycleLog()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    QStringList lines;

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (s_lines && context.category && QByteArray(context.category) == "com.quillon.vantor.agent.lifecycle")
            s_lines->append(message);
    }
    static inline QStringList* s_lines = nullptr;
    QtMessageHandler m_previous = nullptr;
};

class AgentDelegateTest : public ::testing::Test {
protected:
    AgentDelegate::Environment environment(bool unitTestHost = false)
    {
        AgentDelegate::Environment env;
        env.pid = 500;
        env.unitTestHost = unitTestHost;
        env.terminate = [this] { ++terminated; };
        env.startDetached = [this](const QString& program, const QStringList& arguments) {
            started.append({program, arguments});
            return true;
        };
        env.executablePath = [] { return QStringLiteral("/opt/x/VantorAgent.app/Contents/MacOS/VantorAgent"); };
        env.monitorSources.procRoot = proc.root();
        env.monitorSources.sysRoot = proc.root();
        env.monitorSources.startTimer = false;
        // A sensor, so that the sensors meter has something to show.
        env.monitorSources.sensorTransport = [] { return FakeSMCTransport::oneFan(); };
        env.makeStatusBar = [] { return std::make_unique<FakeStatusBar>(); };
        return env;
    }

    IsolatedSettings settings;
    FixtureTree proc {QStringLiteral("proc-sample")};
    LifecycleLog log;
    int terminated = 0;
    QList<QPair<QString, QStringList>> started;
};

} // namespace

TEST_F(AgentDelegateTest, AHeldClaimIsReportedBeforeTheMasterSwitchAndNamesItsHolder)
{
    // Another agent holds the claim (here this very process, through a descriptor of its own).
    QTemporaryDir runtime;
    const QString lock = runtime.path() + QStringLiteral("/vantor/agent.lock");
    InstanceClaim holder(QString(), lock);
    ASSERT_EQ(holder.claim(), InstanceClaim::Outcome::owned);
    SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, false);
    auto env = environment();
    env.makeClaim = [&] { return std::make_unique<InstanceClaim>(QString(), lock); };
    AgentDelegate delegate(env);
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(terminated, 1);
    const QString me = QString::number(QCoreApplication::applicationPid());
    EXPECT_EQ(log.lines,
        QStringList {QStringLiteral("an agent of this user, session bus and settings suite is already running "
                                    "(pid %1, %2); exiting")
                         .arg(me, QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget())});
    EXPECT_EQ(delegate.monitor(), nullptr);
    EXPECT_TRUE(delegate.signalListener().tokens().isEmpty());
}

TEST_F(AgentDelegateTest, TheHolderRunsAndQuitsWhenItLosesTheClaim)
{
    QTemporaryDir runtime;
    const QString lock = runtime.path() + QStringLiteral("/agent.lock");
    auto env = environment();
    env.makeClaim = [&] { return std::make_unique<InstanceClaim>(QString(), lock); };
    AgentDelegate delegate(env);
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(terminated, 0);
    ASSERT_NE(delegate.monitor(), nullptr);
    // A newcomer finds it held, by this agent.
    std::optional<qint64> holder;
    EXPECT_TRUE(InstanceClaim::isHeld(QString(), lock, &holder));
    EXPECT_EQ(holder, qint64(QCoreApplication::applicationPid()));
    InstanceClaim newcomer(QString(), lock);
    EXPECT_EQ(newcomer.claim(), InstanceClaim::Outcome::heldElsewhere);

    ASSERT_NE(delegate.instanceClaim(), nullptr);
    emit delegate.instanceClaim()->lost();
    EXPECT_EQ(terminated, 1);
    EXPECT_TRUE(log.lines.last().startsWith(QStringLiteral("this agent lost its claim")))
        << log.lines.last().toStdString();
}

TEST_F(AgentDelegateTest, TheMasterSwitchOffEndsTheAgent)
{
    SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, false);
    AgentDelegate delegate(environment());
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(terminated, 1);
    EXPECT_EQ(log.lines, QStringList {QStringLiteral("the master switch is off; exiting")});
    EXPECT_EQ(delegate.monitor(), nullptr);
}

TEST_F(AgentDelegateTest, AUnitTestHostKeepsRunningWithoutMonitorButHearsQuit)
{
    SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, false);
    AgentDelegate delegate(environment(true));
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(terminated, 0);
    EXPECT_EQ(log.lines, QStringList {QStringLiteral("up, pid 500")});
    EXPECT_EQ(delegate.monitor(), nullptr);
    EXPECT_EQ(delegate.signalListener().tokens().size(), 1);
    // Defaults are registered even here.
    EXPECT_TRUE(SharedSettings::store().objectForKey(SharedSettings::Key::meterStyle).isValid());

    SharedSettings::post(SharedSettings::Signal::settings);
    EXPECT_EQ(terminated, 0);
    SharedSettings::post(SharedSettings::Signal::quitAgent);
    EXPECT_EQ(terminated, 1);
}

TEST_F(AgentDelegateTest, ARunningAgentSamplesAndFollowsTheSettings)
{
    auto env = environment();
    env.monitorSources.startTimer = true;
    AgentDelegate delegate(env);
    EXPECT_FALSE(delegate.applicationShouldTerminateAfterLastWindowClosed());
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(terminated, 0);
    EXPECT_EQ(log.lines, QStringList {QStringLiteral("up, pid 500")});
    ASSERT_NE(delegate.monitor(), nullptr);
    EXPECT_EQ(delegate.monitor()->refreshCount(), 1);
    EXPECT_EQ(delegate.signalListener().tokens().size(), 2);

    // A settings change re-applies the meter settings, among them the interval.
    SharedSettings::store().setDouble(SharedSettings::Key::refreshInterval, 3);
    SharedSettings::post(SharedSettings::Signal::settings);
    EXPECT_EQ(delegate.monitor()->timerInterval(), 3.0);
    EXPECT_TRUE(started.isEmpty());

    // The meters are in the bar in the stored order, and follow a hidden section.
    ASSERT_NE(delegate.statusBarController(), nullptr);
    EXPECT_EQ(delegate.statusBarController()->appliedOrder(),
        QList<MonitorSection>(
            {MonitorSection::storage, MonitorSection::sensors, MonitorSection::memory, MonitorSection::cpu}));
    SharedSettings::store().setBool(SharedSettings::Key::showMemoryItem, false);
    SharedSettings::post(SharedSettings::Signal::settings);
    EXPECT_EQ(delegate.statusBarController()->appliedOrder(),
        QList<MonitorSection>({MonitorSection::storage, MonitorSection::sensors, MonitorSection::cpu}));

    SharedSettings::post(SharedSettings::Signal::quitAgent);
    EXPECT_EQ(terminated, 1);
}

TEST_F(AgentDelegateTest, AChangedLanguageRelaunchesTheAgent)
{
    QTemporaryDir dir;
    const QString bundle = FixtureBundle::write(dir.path() + QStringLiteral("/VantorAgent.app"),
        {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("test.agent")},
            {QStringLiteral("CFBundleDevelopmentRegion"), QStringLiteral("en")}});
    FixtureBundle::addLocalization(bundle, QStringLiteral("en"), "");
    FixtureBundle::addLocalization(bundle, QStringLiteral("de"), "");
    Bundle::setMainBundlePathForTesting(bundle);
    const QLocale localeBefore;
    const icu::Locale icuBefore = icu::Locale::getDefault();
    SharedSettings::store().setString(SharedSettings::Key::language, QStringLiteral("en"));
    AppLanguage::adoptChoiceAtLaunch();

    AgentDelegate delegate(environment());
    delegate.applicationDidFinishLaunching();
    SharedSettings::post(SharedSettings::Signal::settings);
    EXPECT_TRUE(started.isEmpty());

    SharedSettings::store().setString(SharedSettings::Key::language, QStringLiteral("de"));
    SharedSettings::post(SharedSettings::Signal::settings);
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0].first, QStringLiteral("/bin/sh"));
    EXPECT_EQ(terminated, 1);
    // The new copy starts with the choice already in its own defaults.
    EXPECT_EQ(PreferencesDomain::standard().stringArrayForKey(SharedSettings::Key::appleLanguages).value(0),
        QStringLiteral("de"));

    AppLanguage::resetLaunchedCodeForTesting();
    Bundle::setMainBundlePathForTesting({});
    QLocale::setDefault(localeBefore);
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icuBefore, status);
}

TEST_F(AgentDelegateTest, RelaunchHandsThePathToTheShellAsData)
{
    AgentDelegate delegate(environment());
    delegate.relaunch();
    EXPECT_EQ(terminated, 1);
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0].first, QStringLiteral("/bin/sh"));
    const QStringList& arguments = started[0].second;
    ASSERT_EQ(arguments.size(), 5);
    EXPECT_EQ(arguments[0], QStringLiteral("-c"));
    EXPECT_FALSE(arguments[1].contains(QStringLiteral("VantorAgent")));
    EXPECT_EQ(arguments.mid(3),
        (QStringList {QStringLiteral("500"), QStringLiteral("/opt/x/VantorAgent.app/Contents/MacOS/VantorAgent")}));

    // A shell that cannot start still ends this copy.
    auto failing = environment();
    failing.startDetached = [](const QString&, const QStringList&) { return false; };
    AgentDelegate other(failing);
    other.relaunch();
    EXPECT_EQ(terminated, 2);
}

TEST(AgentRelaunchTest, TheShellWaitsForTheOldCopyThenStartsAHostilePathVerbatim)
{
    QTemporaryDir dir;
    const QString bundle
        = dir.path() + QStringLiteral("/odd \"name\" $(touch PWNED) `touch PWNED2` $HOME \\x/VantorAgent.app");
    const QString executable = bundle + QStringLiteral("/Contents/MacOS/VantorAgent");
    ASSERT_TRUE(QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS")));
    const QString marker = dir.path() + QStringLiteral("/started");
    {
        QFile script(executable);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s|%s' \"$0\" \"$RELAUNCH_PROBE\" > \"$RELAUNCH_MARKER\"\n");
        script.setPermissions(script.permissions() | QFile::ExeOwner);
    }

    // The old copy: still running when the shell starts.
    QProcess old;
    old.start(QStringLiteral("/bin/sleep"), {QStringLiteral("1")});
    ASSERT_TRUE(old.waitForStarted());

    QProcess shell;
    shell.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RELAUNCH_MARKER"), marker);
    env.insert(QStringLiteral("RELAUNCH_PROBE"), QStringLiteral("same environment"));
    shell.setProcessEnvironment(env);
    shell.start(AgentDelegate::relaunchShell, AgentDelegate::relaunchArguments(qint32(old.processId()), executable));
    ASSERT_TRUE(shell.waitForStarted());
    QThread::msleep(300);
    EXPECT_FALSE(QFile::exists(marker)); // still waiting for the old copy

    ASSERT_TRUE(old.waitForFinished(5000));
    ASSERT_TRUE(shell.waitForFinished(10000));
    QFile result(marker);
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(result.readAll()), executable + QStringLiteral("|same environment"));
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/PWNED")));
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/PWNED2")));
}

namespace {

bool haveSessionBus()
{
    return QDBusConnection::sessionBus().isConnected();
}

} // namespace

TEST(AgentProcessTest, QuitAgentEndsARunningAgent)
{
    ProcessTestTurn turn;
    if (!haveSessionBus())
        GTEST_SKIP() << "no session bus";
    AgentProcess agent(QStringLiteral("agent.quit.%1").arg(QCoreApplication::applicationPid()));
    agent.process.start();
    ASSERT_TRUE(agent.process.waitForStarted());
    ASSERT_TRUE(agent.waitForLog(QStringLiteral("up, pid"))) << agent.log.toStdString();

    DBusSignalTransport transport;
    const QString name = QStringLiteral("agent.quit.%1.quitAgent").arg(QCoreApplication::applicationPid());
    // The listener registers right after the log line; post until the agent has heard it.
    QElapsedTimer clock;
    clock.start();
    while (agent.process.state() != QProcess::NotRunning && clock.elapsed() < 10000) {
        transport.post(name);
        agent.process.waitForFinished(250);
    }
    EXPECT_EQ(agent.process.state(), QProcess::NotRunning);
    EXPECT_EQ(agent.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(agent.process.exitCode(), 0);
}

TEST(AgentProcessTest, AgentWithTheMasterSwitchOffExitsAtOnce)
{
    ProcessTestTurn turn;
    AgentProcess agent(QStringLiteral("agent.off.%1").arg(QCoreApplication::applicationPid()));
    agent.setBool(SharedSettings::Key::agentEnabled, false);
    agent.process.start();
    ASSERT_TRUE(agent.process.waitForStarted());
    EXPECT_TRUE(agent.waitForLog(QStringLiteral("the master switch is off; exiting"))) << agent.log.toStdString();
    agent.process.waitForFinished(10000);
    EXPECT_EQ(agent.process.state(), QProcess::NotRunning);
    EXPECT_EQ(agent.process.exitCode(), 0);
    EXPECT_FALSE(agent.log.contains(QStringLiteral("up, pid")));
}

TEST(AgentProcessTest, ALaterCopyElsewhereYieldsToTheRunningOne)
{
    ProcessTestTurn turn;
    if (!haveSessionBus())
        GTEST_SKIP() << "no session bus";
    // A second installation: the same program in another bundle.
    QTemporaryDir elsewhere;
    const QString bundle = elsewhere.path() + QStringLiteral("/VantorAgent.app");
    ASSERT_TRUE(QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS")));
    QFile::copy(
        QStringLiteral(VANTOR_AGENT_BUNDLE "/Contents/Info.plist"), bundle + QStringLiteral("/Contents/Info.plist"));
    const QString copy = bundle + QStringLiteral("/Contents/MacOS/VantorAgent");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VANTOR_AGENT_BUNDLE "/Contents/MacOS/VantorAgent"), copy));

    const QString suite = QStringLiteral("agent.pair.%1").arg(QCoreApplication::applicationPid());
    AgentProcess first(suite);
    first.process.start();
    ASSERT_TRUE(first.process.waitForStarted());
    ASSERT_TRUE(first.waitForLog(QStringLiteral("up, pid"))) << first.log.toStdString();

    AgentProcess second(suite, copy);
    second.process.start();
    ASSERT_TRUE(second.process.waitForStarted());
    EXPECT_TRUE(
        second.waitForLog(QStringLiteral("an agent of this user, session bus and settings suite is already running")))
        << second.log.toStdString();
    second.process.waitForFinished(10000);
    EXPECT_EQ(second.process.state(), QProcess::NotRunning);
    EXPECT_FALSE(second.log.contains(QStringLiteral("up, pid")));
    EXPECT_EQ(first.process.state(), QProcess::Running);

    first.process.terminate();
    first.process.waitForFinished(10000);
}

TEST(DisplayCheckTest, ADisplayIsMissingOnlyWhenThePlatformNeedsOneAndNoneIsNamed)
{
    const auto check = [](QHash<QString, QString> variables) {
        return !DisplayCheck::missingDisplay([&variables](const char* name) {
            return variables.value(QLatin1String(name));
        }).isEmpty();
    };
    EXPECT_TRUE(check({}));
    EXPECT_FALSE(check({{"DISPLAY", ":0"}}));
    EXPECT_FALSE(check({{"WAYLAND_DISPLAY", "wayland-0"}}));
    EXPECT_TRUE(check({{"QT_QPA_PLATFORM", "xcb"}}));
    EXPECT_TRUE(check({{"QT_QPA_PLATFORM", "wayland;xcb"}}));
    EXPECT_FALSE(check({{"QT_QPA_PLATFORM", "offscreen"}}));
    EXPECT_FALSE(check({{"QT_QPA_PLATFORM", "vnc:size=800x600"}}));
    EXPECT_FALSE(check({{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", ":1"}}));
}

TEST(AgentProcessTest, WithoutADisplayTheAgentSaysSoAndFails)
{
    struct Case {
        const char* platform;
        const char* display;
    };
    // Nothing named at all, and a display named that does not answer.
    for (const Case c : {Case {nullptr, nullptr}, Case {"xcb", ":987"}}) {
        AgentProcess agent(QStringLiteral("agent.nodisplay.%1").arg(QCoreApplication::applicationPid()));
        QProcessEnvironment env = agent.process.processEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (c.platform)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QLatin1String(c.platform));
        if (c.display)
            env.insert(QStringLiteral("DISPLAY"), QLatin1String(c.display));
        agent.process.setProcessEnvironment(env);
        agent.process.start();
        ASSERT_TRUE(agent.process.waitForStarted());
        ASSERT_TRUE(agent.process.waitForFinished(20000));
        agent.log += QString::fromUtf8(agent.process.readAllStandardError());
        EXPECT_EQ(agent.process.exitStatus(), QProcess::NormalExit) << agent.log.toStdString();
        EXPECT_EQ(agent.process.exitCode(), 1);
        EXPECT_TRUE(agent.log.contains(QStringLiteral("no display was found"))) << agent.log.toStdString();
        EXPECT_FALSE(agent.log.contains(QStringLiteral("Reinstalling")));
    }
}

TEST(AgentProcessTest, AgentsOfDifferentSuitesRunSideBySide)
{
    ProcessTestTurn turn;
    if (!haveSessionBus())
        GTEST_SKIP() << "no session bus";
    const QString pid = QString::number(QCoreApplication::applicationPid());
    AgentProcess first(QStringLiteral("agent.side.a.") + pid);
    first.process.start();
    ASSERT_TRUE(first.process.waitForStarted());
    ASSERT_TRUE(first.waitForLog(QStringLiteral("up, pid"))) << first.log.toStdString();
    AgentProcess second(QStringLiteral("agent.side.b.") + pid);
    second.process.start();
    ASSERT_TRUE(second.process.waitForStarted());
    EXPECT_TRUE(second.waitForLog(QStringLiteral("up, pid"))) << second.log.toStdString();
    EXPECT_EQ(first.process.state(), QProcess::Running);
    for (AgentProcess* agent : {&first, &second}) {
        agent->process.terminate();
        agent->process.waitForFinished(10000);
    }
}
