// The real agent against a test tray host on the session bus, on a virtual X display and on a
// headless Wayland compositor.

#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Signals/DBusSignalTransport.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/ProcessScan.h"
#include "tests/support/ProcessTestTurn.h"
#include "tests/support/TestDisplayServer.h"
#include "tests/support/TestStatusNotifierHost.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace SharedSettings;

namespace {

// The agent, run as a process with its own settings; it quits when the test is done with it.
class TrayAgent {
public:
    TrayAgent()
        : m_suite(QStringLiteral("agent.tray.%1.%2").arg(QCoreApplication::applicationPid()).arg(++s_runs))
    {
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        environment.insert(Env::settingsSuite, m_suite);
        environment.insert(
            QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.quillon.vantor.agent.lifecycle.debug=true"));
        environment.remove(Env::testConfiguration);
        environment.remove(Env::menuBarMode);
        // Recorded sensors where the machine has none of its own, so every section has a meter.
        environment.insert(Env::sensorTable, QStringLiteral(VANTOR_TEST_DATA "/sensors/laptop.table"));
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setProgram(QStringLiteral(VANTOR_AGENT_BUNDLE "/Contents/MacOS/VantorAgent"));
    }
    ~TrayAgent()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        DBusSignalTransport().post(m_suite + QStringLiteral(".quitAgent"));
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

    void setBool(const QString& key, bool value)
    {
        PreferencesDomain::open(m_suite, m_home.path() + QStringLiteral("/vantor"))->setBool(key, value);
    }
    void post(Signal signal) { DBusSignalTransport().post(m_suite + QLatin1Char('.') + suffix(signal)); }
    void start()
    {
        process.setProcessEnvironment(environment);
        process.start();
    }
    // Runs the event loop (the test host answers on it) until the agent logged `line`.
    bool waitForLog(const QString& line, int milliseconds = 20000)
    {
        return TestStatusNotifierHost::waitFor(
                   [&] {
                       log += QString::fromLocal8Bit(process.readAll());
                       return log.contains(line) || process.state() == QProcess::NotRunning;
                   },
                   milliseconds)
            && log.contains(line);
    }

    // Runs the event loop until the agent has ended on its own, with exit code 0.
    bool waitForCleanExit(int milliseconds = 10000)
    {
        TestStatusNotifierHost::waitFor(
            [&] {
                log += QString::fromLocal8Bit(process.readAll());
                return process.state() == QProcess::NotRunning;
            },
            milliseconds);
        return process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }

    QProcessEnvironment environment;
    QProcess process;
    QString log;

private:
    static inline int s_runs = 0;
    QTemporaryDir m_home;
    QString m_suite;
};

// Real agents see one another and the tray host's name is one per bus: the tests that start them
// take turns with each other and with the other agent process tests.
class Turn {
public:
    static QString whyNot()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            return QStringLiteral("no session bus");
        if (!ProcessScan::agents().isEmpty())
            return QStringLiteral("another agent is running on this machine");
        return {};
    }

private:
    ProcessTestTurn m_turn;
};

QStringList toolTips(const TestStatusNotifierHost& host)
{
    QStringList tips;
    for (const TestStatusNotifierHost::Item& item : host.readAll())
        tips.append(item.toolTipTitle.section(QLatin1Char(' '), 0, 0));
    return tips;
}

QString itemWithToolTip(const TestStatusNotifierHost& host, const QString& title)
{
    for (const TestStatusNotifierHost::Item& item : host.readAll())
        if (item.toolTipTitle.startsWith(title))
            return item.id;
    return {};
}

TEST(TrayEndToEnd, OnAnX11DisplayTheMetersBecomeTrayItemsThatFollowTheSettings)
{
    Turn turn;
    if (const QString why = Turn::whyNot(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    if (!TestDisplayServer::isInstalled(TestDisplayServer::Kind::xvfb))
        GTEST_SKIP() << "Xvfb is not installed";
    TestDisplayServer display(TestDisplayServer::Kind::xvfb);
    QString why;
    ASSERT_TRUE(display.start(&why)) << why.toStdString();
    TestStatusNotifierHost host;
    ASSERT_TRUE(host.start());

    TrayAgent agent;
    agent.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    agent.environment.insert(QStringLiteral("DISPLAY"), display.x11Display());
    agent.environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    agent.setBool(Key::showStorageItem, false);
    agent.start();
    ASSERT_TRUE(agent.waitForLog(QStringLiteral("meters in the tray"))) << agent.log.toStdString();

    // One item per visible section, shown in the stored order (storage is hidden).
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return host.registeredItems().size() == 3; }, 30000))
        << agent.log.toStdString();
    EXPECT_EQ(
        toolTips(host), (QStringList {QStringLiteral("Sensors"), QStringLiteral("Memory"), QStringLiteral("CPU")}));
    for (const TestStatusNotifierHost::Item& item : host.readAll()) {
        EXPECT_FALSE(item.title.isEmpty());
        EXPECT_EQ(item.status, QStringLiteral("Active"));
        EXPECT_TRUE(item.hasMenu);
        EXPECT_EQ(
            item.iconSizes, (QList<QSize> {QSize(16, 16), QSize(22, 22), QSize(32, 32), QSize(44, 44), QSize(64, 64)}));
    }

    // A click at a position reaches the agent as that section's click, with the position.
    const QString cpu = itemWithToolTip(host, QStringLiteral("CPU"));
    ASSERT_FALSE(cpu.isEmpty());
    ASSERT_TRUE(host.activate(cpu, 700, 12));
    EXPECT_TRUE(agent.waitForLog(QStringLiteral("tray item cpu clicked at 700, 12"))) << agent.log.toStdString();

    // Hiding a section takes its item away.
    agent.setBool(Key::showMemoryItem, false);
    agent.post(Signal::settings);
    EXPECT_TRUE(TestStatusNotifierHost::waitFor(
        [&] {
            return toolTips(host) == QStringList {QStringLiteral("Sensors"), QStringLiteral("CPU")};
        },
        30000))
        << toolTips(host).join(QLatin1Char(',')).toStdString() << " of "
        << host.registeredItems().join(QLatin1Char(' ')).toStdString() << " agent state " << int(agent.process.state())
        << "\n"
        << agent.log.toStdString();

    // The panel quits for good: in "auto" the meters go back to the bar.
    host.stop();
    EXPECT_TRUE(agent.waitForLog(QStringLiteral("meters move to the bar"))) << agent.log.toStdString();
}

TEST(TrayEndToEnd, OnAHeadlessWaylandCompositorTheAgentUsesXWaylandThenTheTray)
{
    Turn turn;
    if (const QString why = Turn::whyNot(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    if (!TestDisplayServer::isInstalled(TestDisplayServer::Kind::weston))
        GTEST_SKIP() << "weston is not installed (tools/install-deps.sh installs it)";
    TestDisplayServer compositor(TestDisplayServer::Kind::weston);
    QString why;
    ASSERT_TRUE(compositor.start(&why)) << why.toStdString();

    TrayAgent agent;
    agent.environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    agent.environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    agent.environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), compositor.runtimeDirectory());
    agent.environment.insert(QStringLiteral("WAYLAND_DISPLAY"), compositor.waylandDisplay());
    if (compositor.x11Display().isEmpty())
        agent.environment.remove(QStringLiteral("DISPLAY"));
    else
        agent.environment.insert(QStringLiteral("DISPLAY"), compositor.x11Display());
    agent.start();

    if (compositor.x11Display().isEmpty()) {
        // Without XWayland the agent says plainly what it cannot do.
        EXPECT_TRUE(agent.waitForLog(QStringLiteral("wayland session without xwayland"))) << agent.log.toStdString();
        return;
    }
    // In "auto" without a host: our bar, through XWayland.
    ASSERT_TRUE(agent.waitForLog(QStringLiteral("running through xwayland"))) << agent.log.toStdString();
    ASSERT_TRUE(agent.waitForLog(QStringLiteral("meters in the bar")))
        << agent.log.toStdString() << compositor.log().toStdString();

    // A panel with a tray starts: the meters move into it without a restart.
    TestStatusNotifierHost host;
    ASSERT_TRUE(host.start());
    EXPECT_TRUE(agent.waitForLog(QStringLiteral("meters move to the tray"))) << agent.log.toStdString();
    EXPECT_TRUE(TestStatusNotifierHost::waitFor([&] { return host.registeredItems().size() == 4; }, 30000))
        << agent.log.toStdString();
    EXPECT_EQ(toolTips(host),
        (QStringList {
            QStringLiteral("SSD"), QStringLiteral("Sensors"), QStringLiteral("Memory"), QStringLiteral("CPU")}));

    // Quit in an item's menu ends the agent, not just its items.
    // (The agent may end before it answers the click, so the call's answer proves nothing.)
    host.clickMenuEntry(itemWithToolTip(host, QStringLiteral("Memory")), QStringLiteral("Quit"));
    EXPECT_TRUE(agent.waitForCleanExit()) << agent.log.toStdString();
}

} // namespace

namespace {

TEST(TrayEndToEnd, WithoutXWaylandTheTrayStillShowsTheMeters)
{
    Turn turn;
    if (const QString why = Turn::whyNot(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    if (!TestDisplayServer::isInstalled(TestDisplayServer::Kind::westonWithoutXWayland))
        GTEST_SKIP() << "weston is not installed (tools/install-deps.sh installs it)";
    TestDisplayServer compositor(TestDisplayServer::Kind::westonWithoutXWayland);
    QString why;
    ASSERT_TRUE(compositor.start(&why)) << why.toStdString();
    TestStatusNotifierHost host;
    ASSERT_TRUE(host.start());

    // Qt's own Wayland platform: the compositor places windows, the tray needs none of ours.
    TrayAgent agent;
    agent.environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    agent.environment.remove(QStringLiteral("DISPLAY"));
    agent.environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    agent.environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), compositor.runtimeDirectory());
    agent.environment.insert(QStringLiteral("WAYLAND_DISPLAY"), compositor.waylandDisplay());
    agent.start();
    ASSERT_TRUE(agent.waitForLog(QStringLiteral("wayland session without xwayland"))) << agent.log.toStdString();
    ASSERT_TRUE(agent.waitForLog(QStringLiteral("meters in the tray"))) << agent.log.toStdString();
    EXPECT_TRUE(TestStatusNotifierHost::waitFor([&] { return host.registeredItems().size() == 4; }, 30000))
        << agent.log.toStdString();

    // With a panel open, Quit in an item's menu still ends the agent.
    const QString cpu = itemWithToolTip(host, QStringLiteral("CPU"));
    ASSERT_TRUE(host.activate(cpu, 100, 10));
    ASSERT_TRUE(agent.waitForLog(QStringLiteral("tray item cpu clicked"))) << agent.log.toStdString();
    ASSERT_TRUE(host.menuLabels(cpu).contains(QStringLiteral("Quit")));
    host.clickMenuEntry(cpu, QStringLiteral("Quit"));
    EXPECT_TRUE(agent.waitForCleanExit()) << agent.log.toStdString();
}

} // namespace
