#include "Vantor/Window/WindowMemory.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// Room the desktop's title bar and borders take around the window's inside.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;
// How much of the title bar must be on a screen for the user to reach it with the pointer.
constexpr int kGrabbableWidth = 80;
constexpr int kGrabbableHeight = 8;

QList<QRect> availableAreas()
{
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

} // namespace

WindowMemory::WindowMemory(QWidget* window, WindowStateFile file, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_file(std::move(file))
{
    m_pending.setSingleShot(true);
    m_pending.setInterval(saveDelayMs);
    connect(&m_pending, &QTimer::timeout, this, &WindowMemory::save);
    // A relaunch quits without closing the window; its place is kept all the same.
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &WindowMemory::save);
    if (m_window)
        m_window->installEventFilter(this);
}

WindowMemory::~WindowMemory()
{
    if (m_pending.isActive())
        save();
}

std::optional<QRect> WindowMemory::fitted(const QRect& remembered, const QList<QRect>& areas)
{
    if (!remembered.isValid())
        return std::nullopt;
    const QRect titleBar(remembered.x(), remembered.y() - kFrameHeight / 2, remembered.width(), kFrameHeight / 2);
    for (const QRect& area : areas) {
        const QRect visible = area.intersected(titleBar.adjusted(0, 0, 0, kGrabbableHeight));
        if (visible.width() < std::min(kGrabbableWidth, remembered.width()) || visible.height() < kGrabbableHeight)
            continue;
        QRect result = remembered;
        result.setWidth(std::min(remembered.width(), std::max(1, area.width() - kFrameWidth)));
        result.setHeight(std::min(remembered.height(), std::max(1, area.height() - kFrameHeight)));
        return result;
    }
    return std::nullopt;
}

QRect WindowMemory::centred(QSize preferred, const QRect& area)
{
    const QSize size(std::max(1, std::min(preferred.width(), area.width() - kFrameWidth)),
        std::max(1, std::min(preferred.height(), area.height() - kFrameHeight)));
    QRect frame(QPoint(), size);
    frame.moveCenter(area.center());
    // The title bar sits above the inside; keep it on the screen.
    frame.moveTop(std::max(frame.top(), area.top() + kFrameHeight - kFrameWidth / 2));
    return frame;
}

void WindowMemory::restore(QSize preferredSize, bool keepMinimized)
{
    if (!m_window)
        return;
    const auto remembered = m_file.read(WindowStateFile::currentScreenConfiguration());
    const auto place = remembered ? fitted(remembered->geometry, availableAreas()) : std::nullopt;
    if (place) {
        m_window->setGeometry(*place);
        Qt::WindowStates state = Qt::WindowNoState;
        if (remembered->maximized)
            state |= Qt::WindowMaximized;
        if (remembered->minimized && keepMinimized)
            state |= Qt::WindowMinimized;
        m_window->setWindowState(state);
        return;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(), preferredSize);
    m_window->setGeometry(centred(preferredSize.expandedTo(m_window->minimumSize()), area));
}

std::optional<WindowStateFile::Placement> WindowMemory::currentPlacement() const
{
    if (!m_window)
        return std::nullopt;
    WindowStateFile::Placement placement;
    // The place a maximised or minimised window returns to, which is what the user arranged.
    placement.geometry = m_window->normalGeometry();
    if (!placement.geometry.isValid())
        placement.geometry = m_window->geometry();
    placement.maximized = m_window->isMaximized();
    placement.minimized = m_window->isMinimized();
    return placement;
}

void WindowMemory::save()
{
    m_pending.stop();
    if (!m_window || !m_shown || !m_window->isVisible())
        return;
    if (const auto placement = currentPlacement())
        m_file.write(WindowStateFile::currentScreenConfiguration(), *placement);
}

bool WindowMemory::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Show:
            m_shown = true;
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            if (m_shown)
                m_pending.start();
            break;
        case QEvent::Close:
            save();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
