// The real agent in our own bar on a virtual X display with a window manager: quitting ends it
// whether a panel is open or not, whoever asks.

#include "Platform/Signals/DBusSignalTransport.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/ProcessTestTurn.h"
#include "tests/support/TestDisplayServer.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

using namespace SharedSettings;

namespace {

class QuitFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus";
        if (!TestDisplayServer::isInstalled(TestDisplayServer::Kind::xvfb))
            GTEST_SKIP() << "Xvfb is not installed";
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is not installed";
        QString why;
        ASSERT_TRUE(m_display.start(&why)) << why.toStdString();
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (!openbox.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("DISPLAY"), m_display.x11Display());
            m_windowManager.setProcessEnvironment(environment);
            m_windowManager.start(openbox, {QStringLiteral("--sm-disable")});
            m_windowManager.waitForStarted(5000);
            // The bar's windows are docks the window manager places: start the agent only once
            // it manages the screen (it names itself a moment before it takes the root window).
            for (QDeadlineTimer deadline(5000); !deadline.hasExpired() && !managed(environment);)
                QThread::msleep(50);
            QThread::msleep(1000);
        }
    }
    static bool managed(const QProcessEnvironment& environment)
    {
        QProcess xprop;
        xprop.setProcessEnvironment(environment);
        xprop.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        xprop.waitForFinished(2000);
        return xprop.readAllStandardOutput().contains("window id");
    }
    void TearDown() override
    {
        if (m_agent.state() != QProcess::NotRunning) {
            m_agent.kill();
            m_agent.waitForFinished(2000);
        }
        if (m_windowManager.state() != QProcess::NotRunning) {
            m_windowManager.terminate();
            if (!m_windowManager.waitForFinished(2000))
                m_windowManager.kill();
            m_windowManager.waitForFinished(1000);
        }
    }

    void startAgent()
    {
        m_log.clear();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        environment.insert(Env::settingsSuite, m_suite);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), m_display.x11Display());
        environment.insert(Env::menuBarMode, QStringLiteral("bar"));
        environment.insert(
            QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("com.quillon.vantor.agent.lifecycle.debug=true"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(Env::testConfiguration);
        m_agent.setProcessEnvironment(environment);
        m_agent.setProcessChannelMode(QProcess::MergedChannels);
        m_agent.start(QStringLiteral(VANTOR_AGENT_BUNDLE "/Contents/MacOS/VantorAgent"), {});
        ASSERT_TRUE(m_agent.waitForStarted(5000));
    }

    bool waitFor(const std::function<bool()>& condition, int milliseconds)
    {
        QDeadlineTimer deadline(milliseconds);
        while (!deadline.hasExpired()) {
            QCoreApplication::processEvents();
            m_log += QString::fromLocal8Bit(m_agent.readAll());
            if (condition())
                return true;
            QThread::msleep(50);
        }
        return condition();
    }
    bool ended(int milliseconds = 6000)
    {
        return waitFor([this] { return m_agent.state() == QProcess::NotRunning; }, milliseconds)
            && m_agent.exitStatus() == QProcess::NormalExit && m_agent.exitCode() == 0;
    }

    QString xdotool(const QStringList& arguments)
    {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display.x11Display());
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral("xdotool"), arguments);
        tool.waitForFinished(5000);
        return QString::fromLocal8Bit(tool.readAllStandardOutput());
    }
    // The agent's visible windows: the bar's items (24 high) and an open panel.
    QList<QRect> windows()
    {
        QList<QRect> rects;
        const QStringList ids = xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                            QStringLiteral("--pid"), QString::number(m_agent.processId())})
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        static const QRegularExpression position(QStringLiteral("Position: (-?\\d+),(-?\\d+)"));
        static const QRegularExpression size(QStringLiteral("Geometry: (\\d+)x(\\d+)"));
        for (const QString& id : ids) {
            const QString text = xdotool({QStringLiteral("getwindowgeometry"), id});
            const auto at = position.match(text);
            const auto extent = size.match(text);
            if (at.hasMatch() && extent.hasMatch())
                rects.append(QRect(at.captured(1).toInt(), at.captured(2).toInt(), extent.captured(1).toInt(),
                    extent.captured(2).toInt()));
        }
        return rects;
    }
    std::optional<QRect> panel()
    {
        for (const QRect& rect : windows())
            if (rect.height() > 60)
                return rect;
        return std::nullopt;
    }
    void click(const QPoint& point)
    {
        xdotool({QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())});
        xdotool({QStringLiteral("click"), QStringLiteral("1")});
    }
    // Opens a panel by clicking the first item of the bar; its frame.
    std::optional<QRect> openPanel()
    {
        std::optional<QRect> item;
        waitFor(
            [&] {
                for (const QRect& rect : windows())
                    if (rect.height() <= 30 && rect.y() < 30)
                        item = rect;
                return item.has_value();
            },
            20000);
        if (!item)
            return std::nullopt;
        click(item->center());
        std::optional<QRect> frame;
        waitFor([&] { return (frame = panel()).has_value(); }, 10000);
        return settledPanel(frame);
    }
    // The panel is fitted and placed after it first maps, and it grows again when the niced
    // process scan (late on a loaded machine) fills its list: wait until its frame has held still
    // for a second.
    std::optional<QRect> settledPanel(std::optional<QRect> frame)
    {
        int still = 0;
        waitFor(
            [&] {
                const std::optional<QRect> previous = frame;
                QThread::msleep(250);
                frame = panel();
                still = frame && previous && *frame == *previous ? still + 1 : 0;
                return still >= 4;
            },
            15000);
        return frame;
    }
    void postQuit() { DBusSignalTransport().post(m_suite + QStringLiteral(".quitAgent")); }

    QString m_log;
    QProcess m_agent;

private:
    // Real agents take turns with the other tests that start them.
    ProcessTestTurn m_turn;
    TestDisplayServer m_display {TestDisplayServer::Kind::xvfb};
    QProcess m_windowManager;
    QTemporaryDir m_home;
    QString m_suite {QStringLiteral("agent.quit.%1.%2").arg(QCoreApplication::applicationPid()).arg(qintptr(this))};
};

TEST_F(QuitFixture, ThePanelsQuitButtonEndsTheAgent)
{
    startAgent();
    auto frame = openPanel();
    ASSERT_TRUE(frame) << m_log.toStdString();
    // "Quit" sits at the right end of the panel's 34-point footer. Should the panel still have
    // moved or grown between our last look and the click (a click on its list does nothing, one
    // beside it closes it), click where the button is now, as a user would: a button that does
    // not quit fails every time.
    QStringList clicks;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QPoint at(frame->right() - 20, frame->bottom() - 16);
        clicks.append(QStringLiteral("(%1,%2) in %3x%4+%5+%6")
                          .arg(at.x())
                          .arg(at.y())
                          .arg(frame->width())
                          .arg(frame->height())
                          .arg(frame->x())
                          .arg(frame->y()));
        click(at);
        if (ended() || m_agent.state() == QProcess::NotRunning)
            break;
        const std::optional<QRect> now = panel();
        if (now && *now == *frame)
            break;
        frame = now ? settledPanel(now) : openPanel();
        ASSERT_TRUE(frame) << m_log.toStdString();
    }
    EXPECT_TRUE(m_agent.state() == QProcess::NotRunning && m_agent.exitStatus() == QProcess::NormalExit
        && m_agent.exitCode() == 0)
        << "the agent still runs with " << windows().size() << " windows after clicks at "
        << clicks.join(QStringLiteral(", ")).toStdString() << "\n"
        << m_log.toStdString();
}

TEST_F(QuitFixture, TheQuitSignalEndsTheAgentWithAPanelOpenOrClosed)
{
    startAgent();
    ASSERT_TRUE(openPanel()) << m_log.toStdString();
    postQuit();
    EXPECT_TRUE(ended()) << "the agent still runs with " << windows().size() << " windows\n" << m_log.toStdString();

    // And with every panel closed.
    startAgent();
    ASSERT_TRUE(waitFor([this] { return m_log.contains(QStringLiteral("meters in the bar")); }, 20000))
        << m_log.toStdString();
    postQuit();
    EXPECT_TRUE(ended()) << m_log.toStdString();
}

} // namespace
