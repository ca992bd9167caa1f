#include "Platform/Bundles/Bundle.h"
#include "Platform/Display/DisplayCheck.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Signals/DBusSignalTransport.h"
#include "VantorAgent/Startup/AgentDelegate.h"
#include "VantorAgent/Startup/AgentInstance.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeStatusBar.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/FixtureTree.h"
#include "tests/support/IsolatedSettings.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>
#include <unicode/locid.h>

namespace {

using Entry = ProcessScan::Entry;

Entry agent(qint32 pid, std::optional<qint64> started)
{
    return {pid, started, QStringLiteral("/opt/x/VantorAgent.app/Contents/MacOS/VantorAgent")};
}

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
        env.agents = [this] { return agents; };
        env.terminate = [this] { ++terminated; };
        env.startDetached = [this](const QString& program, const QStringList& arguments) {
            started.append({program, arguments});
            return true;
        };
        env.executablePath = [] { return QStringLiteral("/opt/x/VantorAgent.app/Contents/MacOS/VantorAgent"); };
        env.monitorSources.procRoot = proc.root();
        env.monitorSources.sysRoot = proc.root();
        env.monitorSources.startTimer = false;
        env.makeStatusBar = [] { return std::make_unique<FakeStatusBar>(); };
        return env;
    }

    IsolatedSettings settings;
    FixtureTree proc {QStringLiteral("proc-sample")};
    LifecycleLog log;
    QList<Entry> agents;
    int terminated = 0;
    QList<QPair<QString, QStringList>> started;
};

} // namespace

TEST(AgentInstanceTest, TheEarliestStartSurvivesWhateverItsPid)
{
    // The later of two agents quits even with the lower pid; the earlier stays.
    EXPECT_TRUE(AgentInstance::shouldYield(100, {agent(100, 2000), agent(200, 1000)}));
    EXPECT_FALSE(AgentInstance::shouldYield(200, {agent(100, 2000), agent(200, 1000)}));
    // Equal or unreadable start times: the higher pid quits.
    EXPECT_TRUE(AgentInstance::shouldYield(200, {agent(100, 1000), agent(200, 1000)}));
    EXPECT_FALSE(AgentInstance::shouldYield(100, {agent(100, 1000), agent(200, 1000)}));
    EXPECT_TRUE(AgentInstance::shouldYield(200, {agent(200, 1000), agent(100, std::nullopt)}));
    EXPECT_FALSE(AgentInstance::shouldYield(100, {agent(200, std::nullopt), agent(100, 5000)}));
    // Not in the list (or no list at all): stay.
    EXPECT_FALSE(AgentInstance::shouldYield(300, {agent(100, 1000), agent(200, 1000)}));
    EXPECT_FALSE(AgentInstance::shouldYield(300, {}));
    // Alone, or listed twice: nobody else is earlier.
    EXPECT_FALSE(AgentInstance::shouldYield(100, {agent(100, 1000), agent(100, 1000)}));
    // Any earlier one among several is enough.
    EXPECT_TRUE(AgentInstance::shouldYield(300, {agent(300, 3000), agent(400, 4000), agent(200, 2000)}));
}

TEST_F(AgentDelegateTest, AnEarlierCopyIsReportedBeforeTheMasterSwitch)
{
    agents = {agent(500, 2000), agent(400, 1000)};
    SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, false);
    AgentDelegate delegate(environment());
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(terminated, 1);
    EXPECT_EQ(log.lines,
        QStringList {QStringLiteral("an agent of this user, session bus and settings suite is already running "
                                    "(pid 400, /opt/x/VantorAgent.app/Contents/MacOS/VantorAgent); exiting")});
    EXPECT_EQ(delegate.monitor(), nullptr);
    EXPECT_TRUE(delegate.signalListener().tokens().isEmpty());
}

TEST(AgentInstanceTest, OnlyAnEarlierAgentOfTheSameUserBusAndSuiteIsARival)
{
    using Scope = AgentInstance::Scope;
    const Scope own {1000, QStringLiteral("unix:path=/run/user/1000/bus"), QStringLiteral("suite")};
    QHash<qint32, std::optional<Scope>> scopes {
        {100, Scope {1001, own.bus, own.suite}}, // another user
        {200, Scope {1000, QStringLiteral("unix:path=/tmp/other-bus"), own.suite}}, // another session bus
        {300, Scope {1000, own.bus, QStringLiteral("other.suite")}}, // another settings suite
        {400, std::nullopt}, // gone, or unreadable
        {600, own}, // a rival, but started later
    };
    const auto scopeOf = [&scopes](qint32 pid) { return scopes.value(pid); };
    const QList<Entry> agents {
        agent(100, 1000), agent(200, 1000), agent(300, 1000), agent(400, 1000), agent(500, 2000), agent(600, 3000)};
    EXPECT_EQ(AgentInstance::yieldTarget(500, agents, own, scopeOf), std::nullopt);

    scopes[300] = own;
    scopes[200] = own;
    const auto target = AgentInstance::yieldTarget(500, agents, own, scopeOf);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->pid, 200) << "the earliest rival is named (equal start times: the lower pid)";
}

TEST(AgentInstanceTest, AScopeIsReadFromTheProcessEnvironment)
{
    QTemporaryDir root;
    const auto write = [&root](qint32 pid, const QByteArray& environ) {
        QDir().mkpath(root.path() + QStringLiteral("/%1").arg(pid));
        QFile file(root.path() + QStringLiteral("/%1/environ").arg(pid));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(environ).replace('|', '\0'));
    };
    write(10, "HOME=/home/a|DBUS_SESSION_BUS_ADDRESS=unix:path=/tmp/b|VANTOR_SETTINGS_SUITE=x'y|");
    write(11, "XDG_RUNTIME_DIR=/run/user/7|NOEQUALS|");
    const auto a = AgentInstance::scopeOf(10, root.path());
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->bus, QStringLiteral("unix:path=/tmp/b"));
    EXPECT_EQ(a->suite, QStringLiteral("x'y"));
    const auto b = AgentInstance::scopeOf(11, root.path());
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(b->bus, QStringLiteral("unix:path=/run/user/7/bus"));
    EXPECT_EQ(b->suite, SharedSettings::defaultSuiteName);
    EXPECT_EQ(b->uid, a->uid);
    EXPECT_EQ(AgentInstance::scopeOf(12, root.path()), std::nullopt);
}

TEST_F(AgentDelegateTest, TheMasterSwitchOffEndsTheAgent)
{
    agents = {agent(500, 2000)};
    SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, false);
    AgentDelegate delegate(environment());
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(terminated, 1);
    EXPECT_EQ(log.lines, QStringList {QStringLiteral("the master switch is off; exiting")});
    EXPECT_EQ(delegate.monitor(), nullptr);
}

TEST_F(AgentDelegateTest, AUnitTestHostKeepsRunningWithoutMonitorButHearsQuit)
{
    agents = {agent(500, 2000), agent(400, 1000)};
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

// The built agent, run as a real process with its own settings.
class AgentProcess {
public:
    explicit AgentProcess(const QString& suite,
        const QString& executable = QStringLiteral(VANTOR_AGENT_BUNDLE "/Contents/MacOS/VantorAgent"))
        : m_suite(suite)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        env.insert(SharedSettings::Env::settingsSuite, suite);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(SharedSettings::Env::testConfiguration);
        process.setProcessEnvironment(env);
        process.setProgram(executable);
    }
    QString configHome() const { return m_home.path(); }
    void setBool(const QString& key, bool value)
    {
        auto domain = PreferencesDomain::open(m_suite, m_home.path() + QStringLiteral("/vantor"));
        domain->setBool(key, value);
    }
    // Waits until the agent logged `line` (or ended); returns everything it logged.
    bool waitForLog(const QString& line, int milliseconds = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds) {
            log += QString::fromUtf8(process.readAllStandardError());
            if (log.contains(line))
                return true;
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(100);
        }
        return false;
    }

    QProcess process;
    QString log;

private:
    QString m_suite;
    QTemporaryDir m_home;
};

bool haveSessionBus()
{
    return QDBusConnection::sessionBus().isConnected();
}

// Real agents see every other agent on the machine, so the tests that start them take turns, also
// with parallel runs of this suite; an agent somebody else left running makes them pointless.
class AgentMachineTurn {
public:
    AgentMachineTurn()
        : m_lock(QDir::tempPath() + QStringLiteral("/vantor-agent-process-tests.lock"))
    {
        m_lock.setStaleLockTime(0);
        m_lock.lock();
    }
    bool otherAgentsRunning() const { return !ProcessScan::agents().isEmpty(); }

private:
    QLockFile m_lock;
};

} // namespace

TEST(AgentProcessTest, QuitAgentEndsARunningAgent)
{
    AgentMachineTurn turn;
    if (turn.otherAgentsRunning())
        GTEST_SKIP() << "another agent is running on this machine";
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
    AgentMachineTurn turn;
    if (turn.otherAgentsRunning())
        GTEST_SKIP() << "another agent is running on this machine";
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
    AgentMachineTurn turn;
    if (turn.otherAgentsRunning())
        GTEST_SKIP() << "another agent is running on this machine";
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
    AgentMachineTurn turn;
    if (turn.otherAgentsRunning())
        GTEST_SKIP() << "another agent is running on this machine";
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
