#include "Platform/StatusBar/TrayStatusBar.h"

#include "Platform/StatusBar/StatusNotifierItem.h"
#include "Platform/StatusBar/TrayStatusItem.h"

#include <QCursor>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>

TrayStatusBar::TrayStatusBar(QObject* parent)
    : StatusBar(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    m_watcherOwner = new QDBusServiceWatcher(
        QStringLiteral("org.kde.StatusNotifierWatcher"), bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_watcherOwner, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        // A restarted watcher knows none of our items.
        for (const auto& item : m_items)
            item->registerAgain();
    });
}

TrayStatusBar::~TrayStatusBar() = default;

StatusItem* TrayStatusBar::createItem(double length)
{
    m_items.push_back(std::make_unique<TrayStatusItem>(*this, length));
    noteItemsChanged();
    return m_items.back().get();
}

void TrayStatusBar::removeItem(StatusItem* item)
{
    const auto found = std::find_if(m_items.begin(), m_items.end(),
        [item](const std::unique_ptr<TrayStatusItem>& own) { return own.get() == item; });
    if (found == m_items.end())
        return;
    m_items.erase(found);
    noteItemsChanged();
}

QList<TrayStatusItem*> TrayStatusBar::items() const
{
    QList<TrayStatusItem*> list;
    for (const auto& item : m_items)
        list.append(item.get());
    return list;
}

TrayStatusItem* TrayStatusBar::trayItem(const StatusItem* item) const
{
    for (const auto& own : m_items)
        if (own.get() == item)
            return own.get();
    return nullptr;
}

void TrayStatusBar::queueRegistration(StatusNotifierItem* item)
{
    if (!item || m_registrations.contains(item))
        return;
    m_registrations.append(item);
    registerNext();
}

void TrayStatusBar::registerNext()
{
    if (m_registering)
        return;
    while (!m_registrations.isEmpty() && !m_registering)
        m_registering = m_registrations.takeFirst();
    if (!m_registering)
        return;
    StatusNotifierItem* item = m_registering;
    const auto done = [this, item] {
        if (m_registering != item)
            return;
        disconnect(item, &StatusNotifierItem::registrationAnswered, this, nullptr);
        m_registering = nullptr;
        registerNext();
    };
    connect(item, &StatusNotifierItem::registrationAnswered, this, done);
    // An item destroyed while it waits for its answer lets the next one go.
    connect(item, &QObject::destroyed, this, [this, item] {
        if (m_registering == nullptr || m_registering == item) {
            m_registering = nullptr;
            QTimer::singleShot(0, this, &TrayStatusBar::registerNext);
        }
    });
    item->registerWithWatcher();
}

void TrayStatusBar::reportActivation(TrayStatusItem* item, std::optional<QPoint> position)
{
    // Without a position from the tray, the pointer is where the click was only on an X11
    // desktop; through XWayland it may be anywhere, and the popover is better left to its default.
    if (!position && QGuiApplication::platformName() == QLatin1String("xcb")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        position = QCursor::pos();
    emit item->activated(position);
    emit itemActivated(item, position);
}

void TrayStatusBar::reportSecondaryActivation(TrayStatusItem* item)
{
    emit itemSecondaryActivated(item);
}

void TrayStatusBar::reportRefusal(TrayStatusItem*, const QString& reason)
{
    emit registrationRefused(reason);
}

void TrayStatusBar::noteItemsChanged()
{
    // The controller creates or removes several items in one go; report the result once.
    if (m_changePending)
        return;
    m_changePending = true;
    QTimer::singleShot(0, this, [this] {
        m_changePending = false;
        emit itemsChanged();
    });
}
