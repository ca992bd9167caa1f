#pragma once

#include "Platform/StatusBar/StatusItem.h"
#include "Platform/StatusBar/TrayStatusItem.h"
#include "VantorAgent/Machines/MachinesMeterView.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>

class MachinesMonitor;
class MachinesPanel;
class MouseMonitors;
class PopoverWindow;
class PreferencesDomain;
class StatusBar;
class StatusBarButton;

// The fifth item in the bar: the machines meter, left of the four section meters, shown while a
// server is set and "showMachinesItem" is on; its click opens the machines panel. It lives beside
// the status bar controller and shares only the bar with it, so the four items keep their keys,
// order and stored places exactly as they are.
class MachinesStatusItem : public QObject {
    Q_OBJECT
public:
    static inline const QString autosaveName = QStringLiteral("Vantor.machines");
    // The item's id in the desktop's tray, beside "vantor-cpu" and the others.
    static inline const QString trayId = QStringLiteral("vantor-machines");
    // Larger than any place the controller gives the four, so the bar puts this item left of them.
    static constexpr double preferredPosition = 9000;

    // All three outlive this object.
    MachinesStatusItem(
        MachinesMonitor& monitor, StatusBar& statusBar, PreferencesDomain& agentDefaults, QObject* parent = nullptr);
    ~MachinesStatusItem() override;

    // Shows or removes the item as the settings say.
    void applySettings();
    bool isShown() const { return !m_item.isNull(); }
    StatusItem* item() const { return m_item.data(); }
    // The item in the desktop's tray, while the meters are there.
    TrayStatusItem* trayItem() const { return m_trayItem.data(); }
    MachinesMeterView* meterView() const { return m_view.data(); }

    void togglePanel(std::optional<QPoint> anchorAtScreen = std::nullopt);
    void closePanel();
    bool isPanelOpen() const;
    MachinesPanel* panel() const;
    PopoverWindow* popover() const { return m_popover.get(); }

    static bool shouldShow();

private:
    void install();
    void remove();
    void place();
    void outsideClick(const QPoint& point);
    // Sends the tray item what changed of its icon, tooltip and label; nothing in the top bar.
    void updateTrayItem();

    MachinesMonitor& m_monitor;
    StatusBar& m_statusBar;
    PreferencesDomain& m_agentDefaults;
    QPointer<StatusItem> m_item;
    QPointer<MachinesMeterView> m_view;
    QPointer<TrayStatusItem> m_trayItem;
    QString m_traySignature;
    std::unique_ptr<PopoverWindow> m_popover;
    std::unique_ptr<MouseMonitors> m_mouseMonitors;
    std::optional<QPoint> m_anchor;
};
