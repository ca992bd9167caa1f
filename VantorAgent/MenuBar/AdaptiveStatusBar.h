#pragma once

#include "Platform/StatusBar/StatusBar.h"
#include "Platform/StatusBar/TrayHostWatcher.h"
#include "Platform/StatusBar/TrayStatusBar.h"
#include "VantorShared/Meters/MenuBarMode.h"
#include "VantorShared/Meters/TrayMeterIcon.h"
#include "VantorShared/Settings/SignalListener.h"
#include "VantorShared/System/MonitorSection.h"

#include <QElapsedTimer>
#include <QHash>
#include <QPoint>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class StatusBarController;
class TrayStatusItem;

// The status bar the agent's controller puts its items into: our own bar along the top edge, or
// the desktop's tray, whichever suits the desktop (see MenuBarModeDecision). It decides at
// start-up, logs the decision and its reason once, and decides again when a tray host appears or
// goes away (a panel restart), when the watcher refuses our items, or when the "menuBarMode"
// setting changes; a different outcome moves the items over without restarting the agent. Where
// the meters are is published for the settings app under "menuBarPresentation" once the first
// cycle ran, and again whenever it changes.
//
// In the tray every item carries the section's readout as its label and a square icon: the meter
// form where the tray shows labels, else the readout form. Icons are sent only when their
// signature changes and at most once per refresh interval: each is a bus message and a repaint in
// the panel's process.
class AdaptiveStatusBar : public StatusBar {
    Q_OBJECT
public:
    struct Environment {
        std::unique_ptr<TrayHostWatcher> hostWatcher;
        std::function<std::unique_ptr<StatusBar>()> makeBar;
        std::function<std::unique_ptr<TrayStatusBar>()> makeTray;
        // The override variable's value for this run, when set.
        std::optional<QString> environmentChoice;
        SessionKind session = SessionKind::unknown;
        // The light or dark variant of the icons, for the panel they sit on.
        TrayMeterIcon::Appearance trayAppearance = TrayMeterIcon::Appearance::dark;
        // Whether the tray shows an item's label beside its icon.
        bool trayShowsLabels = false;
        // The items' context menu.
        std::function<void()> openSettings;
        std::function<void()> quit;

        // The desktop's real bar, tray and session bus.
        static Environment system();
    };

    explicit AdaptiveStatusBar(Environment environment, QObject* parent = nullptr);
    ~AdaptiveStatusBar() override;

    // The controller whose items live here; called once, right after it was made with this bar.
    void attach(StatusBarController& controller);

    StatusItem* createItem(double length) override;
    void removeItem(StatusItem* item) override;
    Qt::KeyboardModifiers keyboardModifiers() const override;
    Qt::MouseButtons pressedMouseButtons() const override;

    MeterPlacement placement() const { return m_placement; }
    const MenuBarModeDecision::Outcome& lastDecision() const { return m_decision; }
    // The bar or tray in use now.
    StatusBar* current() const { return m_current.get(); }
    TrayStatusBar* tray() const;
    // How tray icons are drawn here, for items made by others than the controller.
    TrayMeterIcon::Appearance trayAppearance() const { return m_environment.trayAppearance; }
    bool trayShowsLabels() const { return m_environment.trayShowsLabels; }

    // Decides again and moves the items when the outcome changed.
    void applyMode();
    // Sends the icons and tooltips of tray items whose picture changed, when the last sending is at
    // least most of a refresh interval ago (else once it is); shows items not shown yet, in order.
    void updateTrayItems();
    // Forgets what was sent, so the next update renders every icon (appearance settings changed).
    void invalidateTrayIcons();
    // Why the watcher refused our items, while that stands.
    const std::optional<QString>& trayRefusal() const { return m_trayRefusal; }

    // How long a change of host presence must last before it counts; a panel that restarts
    // comes back within it and the meters stay where they are.
    std::chrono::milliseconds hostSettleDelay {1500};

    static QString trayMenuSettingsText();
    static QString trayMenuQuitText();
    // The tray icons' variant for the current desktop: GNOME's top bar is dark whatever the theme;
    // elsewhere the panel follows the application palette.
    static TrayMeterIcon::Appearance desktopTrayAppearance();

signals:
    // A tray item was clicked, at the screen position the tray gave when it gave one.
    void trayItemClicked(MonitorSection section, std::optional<QPoint> screenPosition);
    // The meters moved between the bar and the tray.
    void placementChanged(MeterPlacement placement);

private:
    std::unique_ptr<StatusBar> makeBackend(MeterPlacement placement);
    MenuBarModeDecision::Inputs inputs() const;
    void hostPresenceChanged();
    void trayRefused(const QString& reason);
    void publishPresentation();
    void scheduleTrayUpdate();
    std::optional<MonitorSection> sectionOf(const StatusItem* item) const;
    void forwardBarSignals(StatusBar* bar);

    Environment m_environment;
    MeterPlacement m_placement = MeterPlacement::bar;
    MenuBarModeDecision::Outcome m_decision;
    std::unique_ptr<StatusBar> m_current;
    // The backend being left during a switch, until the controller took its items out of it.
    std::unique_ptr<StatusBar> m_leaving;
    QPointer<StatusBarController> m_controller;
    SignalListener m_signals;
    QTimer m_hostSettle;
    QTimer m_trayUpdate;
    QElapsedTimer m_sinceTrayUpdate;
    QHash<MonitorSection, QString> m_traySignatures;
    std::optional<QString> m_trayRefusal;
    bool m_firstCycleDone = false;
    // Which backend made each item, so that removal reaches it even after a switch.
    QHash<const StatusItem*, StatusBar*> m_owners;
};
