#include "Platform/StatusBar/TrayStatusBar.h"

#include "Platform/StatusBar/TrayClickPosition.h"
#include "Platform/StatusBar/TrayStatusItem.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>

TrayStatusBar::TrayStatusBar(QObject* parent)
    : StatusBar(parent)
{
    TrayClickPosition::install();
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

void TrayStatusBar::reportActivation(TrayStatusItem* item)
{
    std::optional<QPoint> position = TrayClickPosition::take();
    // Without a position from the tray, the pointer is where the click was only on an X11
    // desktop; through XWayland it may be anywhere, and the popover is better left to its default.
    if (!position && QGuiApplication::platformName() == QLatin1String("xcb")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        position = QCursor::pos();
    emit itemActivated(item, position);
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
