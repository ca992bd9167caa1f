// The real agent's own bar under a real window manager (openbox on a virtual X display): dock
// windows that reserve their strip, maximised windows below them, another panel respected, and a
// screen that changes size.

#include "Platform/Signals/DBusSignalTransport.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/ProcessTestTurn.h"
#include "tests/support/TestDisplayServer.h"
#include "tests/support/TestStatusNotifierHost.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace SharedSettings;

namespace {

struct Free {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Reply = std::unique_ptr<T, Free>;

// A client of the test's display of its own, to look at windows as the window manager sees them.
class X11Client {
public:
    explicit X11Client(const QString& display)
        : m_connection(xcb_connect(display.toLocal8Bit().constData(), nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~X11Client() { xcb_disconnect(m_connection); }
    bool isConnected() const { return m_root != XCB_WINDOW_NONE; }

    xcb_atom_t atom(const char* name) const
    {
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    QList<uint32_t> cardinals(xcb_window_t window, const char* property, xcb_atom_t type) const
    {
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, atom(property), type, 0, 64), nullptr));
        QList<uint32_t> values;
        if (!reply || reply->format != 32)
            return values;
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        for (int i = 0; i < xcb_get_property_value_length(reply.get()) / 4; ++i)
            values.append(data[i]);
        return values;
    }
    QList<uint32_t> rootCardinals(const char* property, xcb_atom_t type) const
    {
        return cardinals(m_root, property, type);
    }
    QList<uint32_t> clients() const { return cardinals(m_root, "_NET_CLIENT_LIST", XCB_ATOM_WINDOW); }
    // The windows the window manager keeps as docks, besides `except`.
    QList<uint32_t> docks(xcb_window_t except = XCB_WINDOW_NONE) const
    {
        QList<uint32_t> found;
        const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
        for (const uint32_t client : clients())
            if (client != except && cardinals(client, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM).contains(dock))
                found.append(client);
        return found;
    }
    // A window's outer frame in root coordinates.
    QRect frame(xcb_window_t window) const
    {
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
        const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr));
        if (!geometry || !origin)
            return {};
        return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    }
    // A plain window, or a dock across the top that reserves `strut` pixels.
    xcb_window_t makeWindow(const QRect& rect, int strut = 0)
    {
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, m_root, int16_t(rect.x()), int16_t(rect.y()),
            uint16_t(rect.width()), uint16_t(rect.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0,
            nullptr);
        if (strut > 0) {
            const xcb_atom_t dock = atom("_NET_WM_WINDOW_TYPE_DOCK");
            xcb_change_property(
                m_connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &dock);
            const uint32_t partial[12] = {0, 0, uint32_t(strut), 0, 0, 0, 0, 0, 0, uint32_t(rect.width() - 1), 0, 0};
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_STRUT_PARTIAL"),
                XCB_ATOM_CARDINAL, 32, 12, partial);
        }
        xcb_map_window(m_connection, window);
        xcb_flush(m_connection);
        return window;
    }
    void maximise(xcb_window_t window)
    {
        xcb_client_message_event_t message;
        std::memset(&message, 0, sizeof message);
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("_NET_WM_STATE");
        message.data.data32[0] = 1; // add
        message.data.data32[1] = atom("_NET_WM_STATE_MAXIMIZED_VERT");
        message.data.data32[2] = atom("_NET_WM_STATE_MAXIMIZED_HORZ");
        message.data.data32[3] = 1;
        xcb_send_event(m_connection, 0, m_root,
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
            reinterpret_cast<const char*>(&message));
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_WINDOW_NONE;
};

bool waitFor(const std::function<bool()>& condition, int milliseconds = 15000)
{
    return TestStatusNotifierHost::waitFor(condition, milliseconds);
}

// openbox on the display, until the test is done.
class WindowManager {
public:
    explicit WindowManager(const QString& display)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    }
    ~WindowManager()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

private:
    QProcess m_process;
};

// The agent with its own settings, in its own bar; it quits when the test is done with it.
class BarAgent {
public:
    explicit BarAgent(const QString& display)
        : m_suite(QStringLiteral("agent.dock.%1").arg(QCoreApplication::applicationPid()))
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path());
        environment.insert(Env::settingsSuite, m_suite);
        environment.insert(Env::menuBarMode, QStringLiteral("bar"));
        // Four meters: a machine with sensors, so that the sensors meter has something to show.
        environment.insert(Env::sensorTable, QStringLiteral(VANTOR_TEST_DATA "/sensors/laptop.table"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(Env::testConfiguration);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(VANTOR_AGENT_BUNDLE "/Contents/MacOS/VantorAgent"), {});
    }
    ~BarAgent()
    {
        DBusSignalTransport().post(m_suite + QStringLiteral(".quitAgent"));
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(2000);
    }
    QString log()
    {
        m_log += QString::fromLocal8Bit(process.readAll());
        return m_log;
    }

    QProcess process;

private:
    QTemporaryDir m_home;
    QString m_suite;
    QString m_log;
};

QString whyNot()
{
    if (!QDBusConnection::sessionBus().isConnected())
        return QStringLiteral("no session bus");
    if (!TestDisplayServer::isInstalled(TestDisplayServer::Kind::xvfb))
        return QStringLiteral("Xvfb is not installed");
    if (QStandardPaths::findExecutable(QStringLiteral("openbox")).isEmpty())
        return QStringLiteral("openbox is not installed (tools/install-deps.sh installs it)");
    return {};
}

TEST(DockBarEndToEnd, TheBarIsADockThatMaximisedWindowsStayBelowAndThatFollowsTheScreen)
{
    ProcessTestTurn turn;
    if (const QString why = whyNot(); !why.isEmpty())
        GTEST_SKIP() << why.toStdString();
    TestDisplayServer display(TestDisplayServer::Kind::xvfb);
    QString why;
    ASSERT_TRUE(display.start(&why)) << why.toStdString();
    X11Client x(display.x11Display());
    ASSERT_TRUE(x.isConnected());
    WindowManager openbox(display.x11Display());
    // The window manager is up once it names itself on the root window.
    ASSERT_TRUE(waitFor([&] { return !x.rootCardinals("_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW).isEmpty(); }))
        << "openbox did not start";
    // It names itself a moment before it takes over the root window; a window mapped in between
    // would never be managed.
    waitFor([] { return false; }, 1000);
    // Another panel owns the top 30 pixels already.
    const xcb_window_t panel = x.makeWindow(QRect(0, 0, 1280, 30), 30);
    ASSERT_TRUE(waitFor([&] { return x.clients().contains(panel); }))
        << "openbox did not manage the panel, clients " << x.clients().size();

    BarAgent agent(display.x11Display());
    ASSERT_TRUE(waitFor([&] { return x.docks(panel).size() == 4; }, 30000)) << agent.log().toStdString();
    for (const uint32_t dock : x.docks(panel)) {
        const QRect frame = x.frame(dock);
        // Below the other panel, not over it.
        EXPECT_EQ(frame.top(), 30) << agent.log().toStdString();
        const QList<uint32_t> strut = x.cardinals(dock, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL);
        ASSERT_EQ(strut.size(), 12);
        EXPECT_EQ(strut[2], uint32_t(frame.bottom() + 1));
        EXPECT_EQ(strut[8], uint32_t(frame.left()));
        EXPECT_EQ(strut[9], uint32_t(frame.right()));
        EXPECT_LE(frame.right(), 1279);
    }

    // A maximised window starts below the bar.
    const xcb_window_t window = x.makeWindow(QRect(100, 100, 400, 300));
    ASSERT_TRUE(waitFor([&] { return x.clients().contains(window); }));
    x.maximise(window);
    ASSERT_TRUE(waitFor([&] { return x.frame(window).width() > 1000; })) << "openbox did not maximise the window";
    EXPECT_GE(x.frame(window).top(), 30 + 24);

    // Screens as RandR monitors, which Xvfb lets us define: the screen shrinks, then a second
    // one is added as the primary to its left. The bar follows to the primary's right edge.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.x11Display());
    const auto xrandr = [&](const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral("xrandr"), arguments);
        process.waitForFinished(10000);
        return process.exitCode() == 0;
    };
    const auto barRight = [&] {
        int right = 0;
        for (const uint32_t dock : x.docks(panel))
            right = std::max(right, x.frame(dock).right());
        return right;
    };
    if (!xrandr({QStringLiteral("--setmonitor"), QStringLiteral("half"), QStringLiteral("1024/0x768/0+0+0"),
            QStringLiteral("screen")}))
        GTEST_SKIP() << "this Xvfb has no RandR monitors";
    EXPECT_TRUE(waitFor([&] { return barRight() == 1023; })) << barRight();
    ASSERT_TRUE(xrandr({QStringLiteral("--delmonitor"), QStringLiteral("half")}));
    ASSERT_TRUE(xrandr({QStringLiteral("--setmonitor"), QStringLiteral("right"), QStringLiteral("640/0x800/0+640+0"),
        QStringLiteral("screen")}));
    ASSERT_TRUE(xrandr({QStringLiteral("--setmonitor"), QStringLiteral("*left"), QStringLiteral("640/0x800/0+0+0"),
        QStringLiteral("none")}));
    EXPECT_TRUE(waitFor([&] { return barRight() == 639; })) << barRight();
}

} // namespace
