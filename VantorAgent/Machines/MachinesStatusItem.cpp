#include "VantorAgent/Machines/MachinesStatusItem.h"

#include "Platform/Popover/MouseMonitors.h"
#include "Platform/Popover/PopoverWindow.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/StatusBar.h"
#include "Platform/StatusBar/StatusBarButton.h"
#include "Platform/StatusBar/StatusItem.h"
#include "Platform/StatusBar/TrayStatusItem.h"
#include "VantorAgent/Machines/MachinesMeterView.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorAgent/Machines/MachinesPanel.h"
#include "VantorAgent/Machines/MachinesTrayIcon.h"
#include "VantorAgent/MenuBar/AdaptiveStatusBar.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QGuiApplication>
#include <QScreen>

MachinesStatusItem::MachinesStatusItem(
    MachinesMonitor& monitor, StatusBar& statusBar, PreferencesDomain& agentDefaults, QObject* parent)
    : QObject(parent)
    , m_monitor(monitor)
    , m_statusBar(statusBar)
    , m_agentDefaults(agentDefaults)
    , m_popover(std::make_unique<PopoverWindow>())
{
    connect(m_popover.get(), &PopoverWindow::didClose, this, [this] {
        m_popover->releaseContent();
        m_anchor.reset();
        m_monitor.setPanelOpen(false);
    });
    connect(&m_monitor, &MachinesMonitor::changed, this, [this] {
        if (m_view)
            m_view->refresh();
        updateTrayItem();
    });
    m_mouseMonitors = std::make_unique<MouseMonitors>([this](const QPoint& point, QWidget*) { outsideClick(point); },
        [this](const QPoint& point) { outsideClick(point); });
}

MachinesStatusItem::~MachinesStatusItem()
{
    m_mouseMonitors.reset();
    disconnect(m_popover.get(), nullptr, this, nullptr);
    m_popover.reset();
    remove();
}

bool MachinesStatusItem::shouldShow()
{
    return !MachinesConnection::serverText().isEmpty()
        && SharedSettings::store().boolForKey(SharedSettings::Key::showMachinesItem);
}

void MachinesStatusItem::applySettings()
{
    const bool show = shouldShow();
    if (show && !m_item)
        install();
    else if (!show && m_item)
        remove();
    if (m_view)
        m_view->refresh();
    updateTrayItem();
}

void MachinesStatusItem::install()
{
    m_agentDefaults.setDouble(SharedSettings::Key::statusItemPreferredPositionPrefix + autosaveName, preferredPosition);
    StatusItem* item = m_statusBar.createItem(MachinesMeterView::itemWidth);
    item->setAutosaveName(autosaveName);
    StatusBarButton* button = item->button();
    if (!button) {
        m_statusBar.removeItem(item);
        return;
    }
    button->setAction(this, [this](StatusBarButton*) { togglePanel(); });
    button->setSendsActionOnLeftMouseDown(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAccessibilityLabel(AppLanguage::string(QStringLiteral("Machines")));
    auto* view = new MachinesMeterView(m_monitor, button);
    view->setGeometry(button->bounds());
    view->show();
    m_item = item;
    m_view = view;
    // In the desktop's tray the item is a status-notifier item of its own: it draws its icon, label
    // and tooltip from the same face, and the host's clicks open the panel where they happened.
    if (auto* trayItem = qobject_cast<TrayStatusItem*>(item)) {
        m_trayItem = trayItem;
        m_traySignature.clear();
        trayItem->setIdentity(trayId, AppLanguage::string(QStringLiteral("Machines")));
        connect(trayItem, &TrayStatusItem::activated, this,
            [this](std::optional<QPoint> position) { togglePanel(position); });
        updateTrayItem();
    }
    // A bar that goes away (the meters moving between the top bar and the tray) takes its items
    // with it; put ours into the bar that is there now.
    connect(item, &QObject::destroyed, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { applySettings(); }, Qt::QueuedConnection);
    });
}

void MachinesStatusItem::remove()
{
    closePanel();
    if (m_item) {
        disconnect(m_item, nullptr, this, nullptr);
        m_statusBar.removeItem(m_item);
    }
    m_item.clear();
    m_view.clear();
    m_trayItem.clear();
}

void MachinesStatusItem::updateTrayItem()
{
    if (!m_trayItem)
        return;
    auto appearance = AdaptiveStatusBar::desktopTrayAppearance();
    bool labels = TrayMeterIcon::desktopShowsLabels();
    if (const auto* adaptive = qobject_cast<const AdaptiveStatusBar*>(&m_statusBar)) {
        appearance = adaptive->trayAppearance();
        labels = adaptive->trayShowsLabels();
    }
    const MachinesMeterView::Face face = MachinesMeterView::face(m_monitor);
    const TrayMeterIcon::Form form = MachinesTrayIcon::form(labels);
    QString signature = MachinesTrayIcon::signature(face, form);
    if (m_trayItem->iconUpdates() == 0 || signature != m_traySignature) {
        m_trayItem->setIcon(MachinesTrayIcon::pictures(face, appearance, form));
        m_traySignature = std::move(signature);
    }
    m_trayItem->setToolTip(AppLanguage::string(QStringLiteral("Machines")), MachinesTrayIcon::toolTipText(m_monitor));
    m_trayItem->setLabel(face.text, MachinesTrayIcon::labelGuide());
}

MachinesPanel* MachinesStatusItem::panel() const
{
    return m_popover ? qobject_cast<MachinesPanel*>(m_popover->content()) : nullptr;
}

bool MachinesStatusItem::isPanelOpen() const
{
    return m_popover && m_popover->isShown();
}

void MachinesStatusItem::togglePanel(std::optional<QPoint> anchorAtScreen)
{
    if (isPanelOpen()) {
        closePanel();
        return;
    }
    StatusBarButton* button = m_item ? m_item->button() : nullptr;
    if (!button && !anchorAtScreen)
        return;
    m_anchor = anchorAtScreen;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int budget = screen ? screen->availableGeometry().height() - 60 : 600;
    auto* content = new MachinesPanel(m_monitor, budget);
    m_popover->setContent(content);
    connect(content, &MachinesPanel::resized, this, [this] {
        if (isPanelOpen()) {
            m_popover->adjustSize();
            place();
        }
    });
    m_monitor.setPanelOpen(true);
    place();
    m_popover->applyWindowPolicy();
}

void MachinesStatusItem::place()
{
    if (m_anchor) {
        m_popover->showAt(*m_anchor);
        return;
    }
    StatusBarButton* button = m_item ? m_item->button() : nullptr;
    if (button)
        m_popover->showBelow(QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
}

void MachinesStatusItem::closePanel()
{
    if (m_popover && m_popover->isShown())
        m_popover->close();
}

void MachinesStatusItem::outsideClick(const QPoint& point)
{
    if (!isPanelOpen() || m_popover->frame().contains(point))
        return;
    // A press on our own item is its click, which toggles.
    if (StatusBarButton* button = m_item ? m_item->button() : nullptr;
        button && button->isVisible() && QRect(button->mapToGlobal(QPoint(0, 0)), button->size()).contains(point))
        return;
    closePanel();
}
