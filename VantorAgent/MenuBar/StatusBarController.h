#pragma once

#include "VantorAgent/Sampling/MainQueue.h"
#include "VantorShared/Panels/PanelMetrics.h"
#include "VantorShared/System/MonitorSection.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class DetailReadings;
class MonitorPopover;
class MouseMonitors;
class PopoverWindow;
class PreferencesDomain;
class StatusBar;
class StatusBarButton;
class StatusBarWindow;
class StatusItem;
class StatusMetricView;
class SystemMonitor;

// The agent's owner of the menu bar: one status item per section the user chose to show, in the
// user's order, each carrying a meter that draws from the monitor's readings. It keeps the items
// in step with the shared settings, learns the order when the user drags items, and redraws a
// meter only when its picture would change.
//
// Item placement is remembered by the status bar under autosave names of the form
// "Vantor.<section>.<generation>". Every install takes a fresh generation, so whatever the bar
// remembers of an earlier arrangement cannot override the order written here.
class StatusBarController : public QObject {
    Q_OBJECT
public:
    // `agentDefaults` is the agent's own preferences domain, where the bar remembers placements.
    StatusBarController(std::unique_ptr<SystemMonitor> monitor, StatusBar& statusBar, PreferencesDomain& agentDefaults,
        MainQueue& queue = MainQueue::standard(), QObject* parent = nullptr);
    ~StatusBarController() override;

    // Re-reads all meter settings: items are rebuilt only when the set or order of visible
    // sections changed; otherwise every item is resized and every meter redrawn.
    void applyMeterSettings();
    // The action of every item's button.
    void statusItemClicked(StatusBarButton* button);

    SystemMonitor& monitor() const { return *m_monitor; }
    // The visible sections, left to right, as last installed or learned from a drag.
    const QList<MonitorSection>& appliedOrder() const { return m_appliedOrder; }
    StatusItem* statusItem(MonitorSection section) const;
    StatusMetricView* meterView(MonitorSection section) const;
    bool isRebuildingItems() const { return m_rebuildingItems; }

    // The sections by the left edge of their windows on screen; none when any item has no
    // button or no window yet.
    std::optional<QList<MonitorSection>> visualOrder() const;
    bool isStatusItemWindow(const StatusBarWindow* window) const;
    QList<QRect> statusButtonScreenRects() const;

    // Redraws each meter whose draw signature changed; runs after every refresh of the monitor.
    void redrawChangedMeters();
    // A status item window moved: when it was the user's hand, evaluate the order once the moves
    // have settled.
    void noteItemsMoved();

    static QString autosaveName(MonitorSection section, qint64 generation);

    // Takes every item out of the status bar and makes them again in the applied order, for when
    // the bar under the items changed (the meters moved between the top bar and the tray).
    void reinstallStatusItems();

    static constexpr std::chrono::milliseconds orderSettleDelay {300};

    // MARK: Popovers

    // How a section's panel was fitted to a height budget.
    struct PanelFit {
        double budget = 0;
        PanelMetrics metrics;
        std::optional<double> scrollHeight;
        bool operator==(const PanelFit&) const = default;
    };
    // The header, footer and dividers around a panel's detail, which a scrolling detail leaves out
    // of its height.
    static constexpr double panelChrome = 74;

    // A click on the section's item: opens its popover, or closes what is open.
    void toggle(MonitorSection section) { togglePopover(section, std::nullopt); }
    // The same from anywhere: without a position the popover hangs under the item's button (and
    // there must be one); with a position (screen coordinates) it hangs from that point, item or
    // not.
    void togglePopover(MonitorSection section, std::optional<QPoint> anchorAtScreen);
    PopoverWindow* popover(MonitorSection section) const;
    // The section being prepared for showing, if any.
    std::optional<MonitorSection> pendingSection() const { return m_pendingSection; }
    quint64 openGeneration() const { return m_openGeneration; }
    std::optional<PanelFit> panelFit(MonitorSection section) const;
    // Cancels any opening in progress and closes every popover.
    void closePopovers();
    // A click at `point` (screen coordinates): closes the popovers unless it is on a status item
    // or inside a popover.
    void closePopoversIfOutside(const QPoint& point);
    // After the bar moved or its screen changed: closes the open popover and shows it again at its
    // item's new place, fitted anew.
    void reanchorOpenPopover();
    // The height a panel may take: VANTOR_PANEL_BUDGET when it holds a finite number, else the
    // usable height of the item's screen less 30; unlimited without a screen.
    double availableHeight(MonitorSection section) const;
    // The first step whose height fits the budget, else the densest step with a scrolling detail
    // of budget − panelChrome (never below 0).
    static PanelFit fittingStep(double budget, const std::function<double(const PanelMetrics&)>& heightAt);
    // Where the panels read from and what opening asks of the engine; the monitor unless tests or
    // benchmarks substitute their own (before any popover opens).
    void useDetailSource(DetailReadings& source);
    DetailReadings& detailSource() const { return *m_details; }
    MouseMonitors& mouseMonitors() const { return *m_mouseMonitors; }

signals:
    // A status item was clicked.
    void sectionClicked(MonitorSection section);

private:
    void syncStatusItems();
    void installStatusItems(const QList<MonitorSection>& order);
    void rebuildStatusItems(const QList<MonitorSection>& order);
    void installStatusItem(MonitorSection section, qint64 generation);
    qint64 nextGeneration();
    void evaluateOrder();
    void scheduleSettingsChange();

    void createPopovers();
    void destroyPopovers();
    void popoverDidClose(MonitorSection section);
    void loadContent(PopoverWindow& popover, MonitorSection section);
    MonitorPopover* panel(MonitorSection section, const PanelMetrics& metrics, std::optional<double> scrollableHeight);
    void fitToScreen(MonitorPopover& panel, MonitorSection section);
    void configureWindow(PopoverWindow& popover);
    // Shows the popover under its item's button or at its anchor point; false when neither exists.
    bool present(MonitorSection section);
    StatusBarButton* button(MonitorSection section) const;
    void localMouseDown(const QPoint& point, QWidget* window);

    std::unique_ptr<SystemMonitor> m_monitor;
    StatusBar& m_statusBar;
    PreferencesDomain& m_agentDefaults;
    MainQueue& m_queue;
    // Ordered by section, which is the order of ties in visualOrder().
    std::map<MonitorSection, StatusItem*> m_statusItems;
    std::map<MonitorSection, QPointer<StatusMetricView>> m_meterViews;
    QHash<MonitorSection, QString> m_drawSignatures;
    QList<MonitorSection> m_appliedOrder;
    // What the machine can supply, as last applied to the items and published for the settings app.
    quint64 m_appliedSourcesGeneration = 0;
    bool m_published = false;
    void adoptReadoutSources();
    bool m_rebuildingItems = false;
    std::unique_ptr<MainQueue::Task> m_rebuildDone;
    std::unique_ptr<MainQueue::Task> m_orderSettle;
    std::unique_ptr<MainQueue::Task> m_settingsChange;

    // Popovers. The engine's view for the panels outlives the popovers that show them.
    std::unique_ptr<DetailReadings> m_ownDetails;
    DetailReadings* m_details = nullptr;
    std::array<std::unique_ptr<PopoverWindow>, 4> m_popovers;
    std::optional<MonitorSection> m_pendingSection;
    quint64 m_openGeneration = 0;
    std::map<MonitorSection, PanelFit> m_panelFit;
    std::map<MonitorSection, QPoint> m_anchorPoints;
    std::unique_ptr<MouseMonitors> m_mouseMonitors;
};
