#include "Platform/StatusBar/LinuxStatusBar.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/LinuxStatusItem.h"
#include "Platform/StatusBar/StatusItemWindow.h"
#include "Platform/StatusBar/X11Dock.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

LinuxStatusBar::LinuxStatusBar(PreferencesDomain& positions, QString positionKeyPrefix, QObject* parent)
    : StatusBar(parent)
    , m_positions(positions)
    , m_prefix(std::move(positionKeyPrefix))
{
    watchScreen();
    // The bar lives on the primary screen and follows it, and any screen added, removed or
    // resized may move or reshape it.
    const auto screensChanged = [this] {
        watchScreen();
        layOut();
        emit screenChanged();
    };
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, screensChanged);
    connect(qApp, &QGuiApplication::screenAdded, this, screensChanged);
    connect(qApp, &QGuiApplication::screenRemoved, this, screensChanged);
}

LinuxStatusBar::~LinuxStatusBar()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_screenConnections))
        disconnect(connection);
}

StatusItem* LinuxStatusBar::createItem(double length)
{
    auto owned = std::make_unique<LinuxStatusItem>(*this, length, m_nextSerial++);
    LinuxStatusItem* item = owned.get();
    StatusItemWindow* window = item->window();
    connect(window, &StatusItemWindow::moved, this, [this, window] { emit windowMoved(window); });
    connect(window, &StatusItemWindow::dragged, this, [this, window](int left) {
        const QRect area = barArea();
        if (area.isEmpty())
            return;
        const int right = std::max(area.left(), area.left() + area.width() - window->width());
        window->move(std::clamp(left, area.left(), right), area.top());
    });
    connect(window, &StatusItemWindow::dragFinished, this, &LinuxStatusBar::finishDrag);
    m_items.push_back(std::move(owned));
    layOut();
    window->show();
    return item;
}

void LinuxStatusBar::removeItem(StatusItem* item)
{
    const auto found = std::find_if(m_items.begin(), m_items.end(),
        [item](const std::unique_ptr<LinuxStatusItem>& own) { return own.get() == item; });
    if (found == m_items.end())
        return;
    LinuxStatusItem* removed = found->release();
    m_items.erase(found);
    // The item may be removed from inside one of its own window's events, so it goes away once
    // control is back in the event loop; until then it is only hidden.
    removed->window()->hide();
    removed->window()->disconnect(this);
    removed->deleteLater();
    layOut();
}

std::optional<double> LinuxStatusBar::storedPosition(const LinuxStatusItem& item) const
{
    if (item.autosaveName().isEmpty())
        return std::nullopt;
    const QVariant value = m_positions.objectForKey(m_prefix + item.autosaveName());
    bool ok = false;
    const double position = value.toDouble(&ok);
    if (!ok || !std::isfinite(position) || value.typeId() == QMetaType::QString)
        return std::nullopt;
    return position;
}

QList<LinuxStatusItem*> LinuxStatusBar::itemsLeftToRight() const
{
    struct Entry {
        LinuxStatusItem* item;
        std::optional<double> position;
    };
    QList<Entry> entries;
    for (const auto& item : m_items)
        entries.append({item.get(), storedPosition(*item)});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.position.has_value() != b.position.has_value())
            return !a.position.has_value();
        if (a.position && *a.position != *b.position)
            return *a.position > *b.position;
        return a.item->serial() > b.item->serial();
    });
    QList<LinuxStatusItem*> result;
    for (const Entry& entry : entries)
        result.append(entry.item);
    return result;
}

QRect LinuxStatusBar::barArea() const
{
    QScreen* screen = m_screen ? m_screen.data() : QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect available = screen->availableGeometry();
    // The bar goes below the panels already along the top. Under X11 the usable area counts our
    // own strip as well, so the panels' reach is read from their struts directly; elsewhere
    // nothing of ours is reserved and the usable area says it.
    QList<QWidget*> ours;
    for (const auto& item : m_items)
        ours.append(item->window());
    const std::optional<int> reserved
        = X11Dock::topReservedByOthers(screen->geometry(), screen->devicePixelRatio(), ours);
    const int top = reserved ? screen->geometry().top() + *reserved : available.top();
    return QRect(available.left(), top, available.width(), StatusItemWindow::barHeight);
}

void LinuxStatusBar::layOut()
{
    const QRect area = barArea();
    if (area.isEmpty())
        return;
    const QList<LinuxStatusItem*> order = itemsLeftToRight();
    int right = area.left() + area.width();
    for (auto it = order.crbegin(); it != order.crend(); ++it) {
        StatusItemWindow* window = (*it)->window();
        right -= window->width();
        // The dragged item keeps its room but follows the pointer until it is dropped.
        if (!window->isDragging() && window->pos() != QPoint(right, area.top()))
            window->move(right, area.top());
        if (!window->isDragging())
            window->reserveStrip();
    }
}

void LinuxStatusBar::finishDrag()
{
    const QRect area = barArea();
    QList<LinuxStatusItem*> order = itemsLeftToRight();
    std::stable_sort(order.begin(), order.end(),
        [](const LinuxStatusItem* a, const LinuxStatusItem* b) { return a->window()->x() < b->window()->x(); });
    int fromRight = 0;
    for (auto it = order.crbegin(); it != order.crend(); ++it) {
        if (!(*it)->autosaveName().isEmpty())
            m_positions.setDouble(m_prefix + (*it)->autosaveName(), fromRight);
        fromRight += (*it)->window()->width();
    }
    if (!area.isEmpty())
        layOut();
}

void LinuxStatusBar::watchScreen()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_screenConnections))
        disconnect(connection);
    m_screenConnections.clear();
    m_screen = QGuiApplication::primaryScreen();
    if (!m_screen)
        return;
    const auto changed = [this] {
        layOut();
        emit screenChanged();
    };
    m_screenConnections.append(connect(m_screen, &QScreen::geometryChanged, this, changed));
    m_screenConnections.append(connect(m_screen, &QScreen::availableGeometryChanged, this, changed));
}
