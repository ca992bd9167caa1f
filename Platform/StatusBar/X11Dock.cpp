#include "Platform/StatusBar/X11Dock.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace X11Dock {

namespace {

struct Free {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T> using Reply = std::unique_ptr<T, Free>;

xcb_connection_t* connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t root(xcb_connection_t* connection)
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return screen ? screen->root : xcb_window_t(XCB_WINDOW_NONE);
}

// The 32-bit values of a property, at most `limit` of them.
QList<uint32_t> cardinals(
    xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint32_t limit)
{
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, property, type, 0, limit), nullptr));
    QList<uint32_t> values;
    if (!reply || reply->format != 32 || reply->type != type)
        return values;
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    for (int i = 0; i < count; ++i)
        values.append(data[i]);
    return values;
}

} // namespace

void makeDock(QWidget& window)
{
    xcb_connection_t* x = connection();
    if (!x)
        return;
    // Qt sets a window type of its own when it creates the native window; ours replaces it
    // before the window manager first sees the window.
    const auto id = xcb_window_t(window.winId());
    const xcb_atom_t type = atom(x, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dock = atom(x, "_NET_WM_WINDOW_TYPE_DOCK");
    if (type != XCB_ATOM_NONE && dock != XCB_ATOM_NONE)
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 1, &dock);
    const xcb_atom_t desktop = atom(x, "_NET_WM_DESKTOP");
    const uint32_t everyDesktop = 0xFFFFFFFF;
    if (desktop != XCB_ATOM_NONE)
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &everyDesktop);
    xcb_flush(x);
}

void reserveTop(QWidget& window, const QRect& frame)
{
    xcb_connection_t* x = connection();
    if (!x || !window.windowHandle())
        return;
    // The strut is in the X screen's pixels; Qt's coordinates are scaled by the device pixel
    // ratio from each screen's origin.
    const double ratio = window.devicePixelRatioF();
    QRect screen = window.screen() ? window.screen()->geometry() : QRect();
    const auto native = [&](int value, int origin) { return origin + int(std::lround((value - origin) * ratio)); };
    const uint32_t bottom = uint32_t(std::max(0, native(frame.bottom() + 1, screen.top())));
    const uint32_t left = uint32_t(std::max(0, native(frame.left(), screen.left())));
    const uint32_t right = uint32_t(std::max(0, native(frame.right() + 1, screen.left()) - 1));
    // left, right, top, bottom, then the start and end of each edge's strip.
    const uint32_t partial[12] = {0, 0, bottom, 0, 0, 0, 0, 0, left, right, 0, 0};
    const auto id = xcb_window_t(window.winId());
    if (const xcb_atom_t strut = atom(x, "_NET_WM_STRUT_PARTIAL"); strut != XCB_ATOM_NONE)
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, id, strut, XCB_ATOM_CARDINAL, 32, 12, partial);
    // Older window managers know only the whole-edge form.
    if (const xcb_atom_t strut = atom(x, "_NET_WM_STRUT"); strut != XCB_ATOM_NONE)
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, id, strut, XCB_ATOM_CARDINAL, 32, 4, partial);
    xcb_flush(x);
}

std::optional<int> topReservedByOthers(const QRect& screen, double devicePixelRatio, const QList<QWidget*>& ours)
{
    xcb_connection_t* x = connection();
    if (!x)
        return std::nullopt;
    const xcb_window_t rootWindow = root(x);
    const xcb_atom_t clientList = atom(x, "_NET_CLIENT_LIST");
    const xcb_atom_t partialAtom = atom(x, "_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t strutAtom = atom(x, "_NET_WM_STRUT");
    if (rootWindow == XCB_WINDOW_NONE || clientList == XCB_ATOM_NONE)
        return std::nullopt;
    QList<xcb_window_t> own;
    for (QWidget* widget : ours)
        if (widget && widget->windowHandle())
            own.append(xcb_window_t(widget->winId()));
    const double ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const int screenLeft = screen.left();
    const int screenRight = screenLeft + int(std::lround(screen.width() * ratio)) - 1;
    const int screenTop = screen.top();
    int reach = 0;
    // A desktop has a few dozen windows; a malformed list longer than this is cut.
    for (const uint32_t client : cardinals(x, rootWindow, clientList, XCB_ATOM_WINDOW, 4096)) {
        if (own.contains(client))
            continue;
        QList<uint32_t> strut = cardinals(x, client, partialAtom, XCB_ATOM_CARDINAL, 12);
        if (strut.size() < 12) {
            strut = cardinals(x, client, strutAtom, XCB_ATOM_CARDINAL, 4);
            if (strut.size() < 4)
                continue;
            strut.resize(12);
            strut[8] = 0;
            strut[9] = 0xFFFFFFFF;
        }
        const qint64 top = strut[2];
        if (top <= 0 || top <= screenTop || top > screenTop + 100000)
            continue;
        if (qint64(strut[9]) < screenLeft || qint64(strut[8]) > screenRight)
            continue;
        reach = std::max(reach, int(top - screenTop));
    }
    return int(std::lround(reach / ratio));
}

} // namespace X11Dock
