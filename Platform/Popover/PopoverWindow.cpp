#include "Platform/Popover/PopoverWindow.h"

#include "Platform/Popover/Compositor.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>

PopoverWindow::PopoverWindow()
    : QWidget(nullptr)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The window always has the size its content asks for, also when rows come and go.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    applyWindowPolicy();
}

PopoverWindow::~PopoverWindow() = default;

void PopoverWindow::applyWindowPolicy()
{
    // A tool window has no taskbar entry; it stays above ordinary windows. It is left to the
    // window manager (not bypassed like the bar's items) so that it can take the focus: losing
    // the focus is how a click in another application is noticed.
    const Qt::WindowFlags flags
        = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint;
    if (windowFlags() != flags) {
        const bool visible = isVisible();
        setWindowFlags(flags);
        if (visible)
            show();
    }
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_TranslucentBackground, Compositor::isRunning());
    setWindowTitle(QStringLiteral("Vantor"));
}

void PopoverWindow::setContent(QWidget* content)
{
    if (content == m_content)
        return;
    releaseContent();
    m_content = content;
    if (content)
        layout()->addWidget(content);
}

void PopoverWindow::releaseContent()
{
    if (!m_content)
        return;
    QWidget* content = m_content;
    m_content = nullptr;
    layout()->removeWidget(content);
    content->hide();
    // Later, not now: the release may come from inside the content (its own close button). It
    // stays a child until then, so it cannot outlive the window.
    content->deleteLater();
}

QPoint PopoverWindow::placement(const QRect& anchor, const QSize& size, const QRect& available)
{
    int x = anchor.x() + (anchor.width() - size.width()) / 2;
    int y = anchor.bottom() + 1;
    if (available.isValid()) {
        x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - size.width()));
        y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
    }
    return {x, y};
}

void PopoverWindow::present(const QRect& anchor)
{
    layout()->activate();
    adjustSize();
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    // The item sits in the bar that the usable area leaves out; the window may start at the
    // bar's lower edge even where that is above the usable area.
    QRect area = available;
    if (area.isValid() && anchor.bottom() + 1 < area.top())
        area.setTop(anchor.bottom() + 1);
    // The window belongs to the screen of its meter: without this a window first shown elsewhere
    // keeps the other screen's scale and may be put back there by the platform.
    if (screen) {
        if (!windowHandle())
            winId();
        if (windowHandle() && windowHandle()->screen() != screen)
            windowHandle()->setScreen(screen);
    }
    move(placement(anchor, size(), area));
    m_shown = true;
    show();
    raise();
    activateWindow();
    keepOnAllDesktops();
}

void PopoverWindow::showBelow(const QRect& anchor)
{
    present(anchor);
}

void PopoverWindow::showAt(const QPoint& point)
{
    present(QRect(point, QSize(1, 1)));
}

void PopoverWindow::close()
{
    if (!m_shown)
        return;
    m_shown = false;
    hide();
    emit didClose();
}

void PopoverWindow::closeEvent(QCloseEvent* event)
{
    // A close request, from the window manager or from an application that is quitting, closes
    // the popover the application's own way, so the owner hears of it. The event is accepted:
    // a quitting application asks every visible window to close and gives the quit up when one
    // refuses, after it has already closed the windows it reached first.
    close();
    event->accept();
}

void PopoverWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    keepOnAllDesktops();
}

void PopoverWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopoverWindow::keepOnAllDesktops()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !windowHandle())
        return;
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return;
    const char* name = "_NET_WM_DESKTOP";
    xcb_intern_atom_reply_t* atom
        = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    if (!atom)
        return;
    // 0xFFFFFFFF: on every desktop. Set on the window before it is mapped, and asked of the
    // window manager for a window already shown.
    const uint32_t all = 0xFFFFFFFF;
    const auto window = xcb_window_t(winId());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atom->atom, XCB_ATOM_CARDINAL, 32, 1, &all);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (screen) {
        xcb_client_message_event_t message;
        std::memset(&message, 0, sizeof message);
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom->atom;
        message.data.data32[0] = all;
        message.data.data32[1] = 1;
        xcb_send_event(connection, 0, screen->root,
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
            reinterpret_cast<const char*>(&message));
    }
    free(atom);
    xcb_flush(connection);
}
