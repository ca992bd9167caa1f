#pragma once

#include "VantorAgent/Sampling/MainQueue.h"
#include "VantorShared/System/MonitorSection.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>

#include <map>
#include <memory>
#include <optional>

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
    void closePopovers();
    void reanchorOpenPopover();

    std::unique_ptr<SystemMonitor> m_monitor;
    StatusBar& m_statusBar;
    PreferencesDomain& m_agentDefaults;
    MainQueue& m_queue;
    // Ordered by section, which is the order of ties in visualOrder().
    std::map<MonitorSection, StatusItem*> m_statusItems;
    std::map<MonitorSection, QPointer<StatusMetricView>> m_meterViews;
    QHash<MonitorSection, QString> m_drawSignatures;
    QList<MonitorSection> m_appliedOrder;
    bool m_rebuildingItems = false;
    std::unique_ptr<MainQueue::Task> m_rebuildDone;
    std::unique_ptr<MainQueue::Task> m_orderSettle;
    std::unique_ptr<MainQueue::Task> m_settingsChange;
};
