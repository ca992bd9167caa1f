#include "VantorAgent/MenuBar/StatusBarController.h"

#include "Platform/Popover/MouseMonitors.h"
#include "Platform/Popover/PopoverWindow.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/StatusBar.h"
#include "Platform/StatusBar/StatusBarButton.h"
#include "Platform/StatusBar/StatusBarWindow.h"
#include "Platform/StatusBar/StatusItem.h"
#include "VantorAgent/Sampling/DetailReadings.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <algorithm>
#include <limits>

namespace {

using namespace SharedSettings;

QList<MonitorSection> shownSections(const QList<MonitorSection>& order)
{
    // A section with nothing to show on this machine stays out of the bar; its setting stays as
    // the user left it, so the meter comes back where a source appears.
    QList<MonitorSection> shown;
    for (const MonitorSection section : order)
        if (MeterSettings::showsItem(section) && ReadoutSources::current().hasSource(section))
            shown.append(section);
    return shown;
}

} // namespace

StatusBarController::StatusBarController(std::unique_ptr<SystemMonitor> monitor, StatusBar& statusBar,
    PreferencesDomain& agentDefaults, MainQueue& queue, QObject* parent)
    : QObject(parent)
    , m_monitor(std::move(monitor))
    , m_statusBar(statusBar)
    , m_agentDefaults(agentDefaults)
    , m_queue(queue)
{
    // First: anything below may close popovers.
    createPopovers();
    // Known from the monitor's start; published only after the first cycle of the timer.
    m_appliedSourcesGeneration = ReadoutSources::generation();
    syncStatusItems();
    m_monitor->setOnRefresh([self = QPointer<StatusBarController>(this)] {
        if (self)
            self->redrawChangedMeters();
    });
    // Changes this process makes to the shared store; the other program's changes arrive with
    // the settings signal, which the agent's start-up routes to applyMeterSettings().
    connect(
        &SharedSettings::store(), &PreferencesDomain::didChange, this, &StatusBarController::scheduleSettingsChange);
    connect(&m_statusBar, &StatusBar::windowMoved, this, [this](StatusBarWindow* window) {
        if (!isStatusItemWindow(window))
            return;
        noteItemsMoved();
        reanchorOpenPopover();
    });
    connect(&m_statusBar, &StatusBar::screenChanged, this, &StatusBarController::reanchorOpenPopover);
}

StatusBarController::~StatusBarController()
{
    destroyPopovers();
    m_orderSettle.reset();
    m_rebuildDone.reset();
    m_settingsChange.reset();
    disconnect(&m_statusBar, nullptr, this, nullptr);
    for (const auto& [section, item] : m_statusItems)
        m_statusBar.removeItem(item);
}

StatusItem* StatusBarController::statusItem(MonitorSection section) const
{
    const auto found = m_statusItems.find(section);
    return found == m_statusItems.end() ? nullptr : found->second;
}

StatusMetricView* StatusBarController::meterView(MonitorSection section) const
{
    const auto found = m_meterViews.find(section);
    return found == m_meterViews.end() ? nullptr : found->second.data();
}

QString StatusBarController::autosaveName(MonitorSection section, qint64 generation)
{
    return QStringLiteral("Vantor.") + key(section) + QLatin1Char('.') + QString::number(generation);
}

// MARK: Items

void StatusBarController::syncStatusItems()
{
    const QList<MonitorSection> desired = shownSections(MeterSettings::menuBarOrder());
    if (desired == m_appliedOrder)
        return;
    if (m_statusItems.empty())
        installStatusItems(desired);
    else
        rebuildStatusItems(desired);
    m_appliedOrder = desired;
}

void StatusBarController::installStatusItems(const QList<MonitorSection>& order)
{
    const qint64 generation = nextGeneration();
    const qsizetype n = order.size();
    // The leftmost item gets the largest position; the bar places larger positions further left.
    for (qsizetype i = 0; i < n; ++i)
        m_agentDefaults.setDouble(Key::statusItemPreferredPositionPrefix + autosaveName(order[i], generation),
            double(n - 1 - i) * 100 + 4000);
    // Each new item goes to the left of those already there, so create them right to left.
    for (qsizetype i = n - 1; i >= 0; --i)
        installStatusItem(order[i], generation);
}

qint64 StatusBarController::nextGeneration()
{
    // A stored value that makes no sense starts the count again rather than overflowing it.
    qint64 generation = m_agentDefaults.integerForKey(Key::itemGeneration);
    if (generation < 0 || generation >= std::numeric_limits<qint64>::max() / 2)
        generation = 0;
    for (const MonitorSection section : allMonitorSections) {
        const QString name = autosaveName(section, generation);
        m_agentDefaults.removeObjectForKey(Key::statusItemPreferredPositionPrefix + name);
        m_agentDefaults.removeObjectForKey(Key::statusItemVisiblePrefix + name);
    }
    m_agentDefaults.setInteger(Key::itemGeneration, generation + 1);
    return generation + 1;
}

void StatusBarController::installStatusItem(MonitorSection section, qint64 generation)
{
    StatusItem* item = m_statusBar.createItem(StatusMetricView::itemWidth(section));
    item->setAutosaveName(autosaveName(section, generation));
    StatusBarButton* button = item->button();
    if (!button) {
        // Without a button the item could show nothing and could not be clicked; leaving it in
        // the bar would only leave an empty slot that no later rebuild knows to take away.
        m_statusBar.removeItem(item);
        return;
    }
    button->setAction(this, [this](StatusBarButton* sender) { statusItemClicked(sender); });
    button->setSendsActionOnLeftMouseDown(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAccessibilityLabel(title(section));

    auto* view = new StatusMetricView(button->bounds(), section, button);
    view->setReadings(m_monitor.get());
    view->show();

    m_statusItems[section] = item;
    m_meterViews[section] = view;
}

void StatusBarController::rebuildStatusItems(const QList<MonitorSection>& order)
{
    m_rebuildingItems = true;
    closePopovers();
    for (const auto& [section, item] : m_statusItems)
        m_statusBar.removeItem(item);
    m_statusItems.clear();
    m_meterViews.clear();
    m_drawSignatures.clear();
    installStatusItems(order);
    // The bar settles the new windows during this turn; their moves are layout, not a drag.
    m_rebuildDone = m_queue.after(std::chrono::milliseconds(0), [this] { m_rebuildingItems = false; });
}

// MARK: Settings

void StatusBarController::applyMeterSettings()
{
    syncStatusItems();
    for (const auto& [section, item] : m_statusItems)
        if (StatusBarButton* button = item->button())
            button->setAccessibilityLabel(title(section));
    m_monitor->applyInterval();
    m_drawSignatures.clear();
    for (const auto& [section, item] : m_statusItems) {
        item->setLength(StatusMetricView::itemWidth(section));
        if (StatusMetricView* view = meterView(section))
            view->update();
    }
}

void StatusBarController::scheduleSettingsChange()
{
    // Several keys written together are applied once, on the next turn.
    if (m_settingsChange)
        return;
    m_settingsChange = m_queue.after(std::chrono::milliseconds(0), [this] {
        m_settingsChange.reset();
        applyMeterSettings();
    });
}

// MARK: Drawing

void StatusBarController::adoptReadoutSources()
{
    m_appliedSourcesGeneration = ReadoutSources::generation();
    // Items and widths follow; the settings app learns it from the store. Written only when the
    // answer changed, so a steady machine never writes.
    applyMeterSettings();
    const QStringList published = ReadoutSources::current().published();
    PreferencesDomain& store = SharedSettings::store();
    const QVariant stored = store.persistentObjectForKey(Key::availableReadouts);
    if (stored.typeId() == QMetaType::QStringList && stored.toStringList() == published)
        return;
    store.setStringList(Key::availableReadouts, published);
    SharedSettings::post(Signal::menuBarChanged);
}

void StatusBarController::redrawChangedMeters()
{
    if (!m_published || m_appliedSourcesGeneration != ReadoutSources::generation()) {
        m_published = true;
        adoptReadoutSources();
    }
    for (const auto& [section, view] : m_meterViews) {
        if (!view)
            continue;
        QString signature = view->drawSignature();
        auto stored = m_drawSignatures.find(section);
        if (stored != m_drawSignatures.end() && *stored == signature)
            continue;
        m_drawSignatures.insert(section, std::move(signature));
        view->update();
    }
}

// MARK: Order

void StatusBarController::noteItemsMoved()
{
    if (m_rebuildingItems)
        return;
    // A move without the user's hand on the reorder modifier or a mouse button is layout.
    if (!m_statusBar.keyboardModifiers().testFlag(StatusBarButton::reorderModifier)
        && m_statusBar.pressedMouseButtons() == Qt::NoButton)
        return;
    m_orderSettle = m_queue.after(orderSettleDelay, [this] {
        m_orderSettle.reset();
        evaluateOrder();
    });
}

void StatusBarController::evaluateOrder()
{
    if (m_rebuildingItems)
        return;
    const std::optional<QList<MonitorSection>> visual = visualOrder();
    if (!visual)
        return;
    if (*visual == shownSections(MeterSettings::menuBarOrder()))
        return;
    m_appliedOrder = *visual;
    MeterSettings::setMenuBarOrder(*visual);
    SharedSettings::post(Signal::menuBarChanged);
}

std::optional<QList<MonitorSection>> StatusBarController::visualOrder() const
{
    QList<std::pair<MonitorSection, int>> placed;
    for (const auto& [section, item] : m_statusItems) {
        const StatusBarButton* button = item->button();
        const StatusBarWindow* window = button ? button->statusWindow() : nullptr;
        if (!window)
            return std::nullopt;
        placed.append({section, window->frame().left()});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    QList<MonitorSection> order;
    for (const auto& [section, x] : placed)
        order.append(section);
    return order;
}

bool StatusBarController::isStatusItemWindow(const StatusBarWindow* window) const
{
    if (!window)
        return false;
    return std::any_of(m_statusItems.begin(), m_statusItems.end(), [window](const auto& entry) {
        const StatusBarButton* button = entry.second->button();
        return button && button->statusWindow() == window;
    });
}

QList<QRect> StatusBarController::statusButtonScreenRects() const
{
    QList<QRect> rects;
    for (const auto& [section, item] : m_statusItems) {
        const StatusBarButton* button = item->button();
        if (const StatusBarWindow* window = button ? button->statusWindow() : nullptr)
            rects.append(window->frame());
    }
    return rects;
}

// MARK: Clicks

void StatusBarController::statusItemClicked(StatusBarButton* button)
{
    for (const auto& [section, item] : m_statusItems) {
        if (item->button() == button) {
            emit sectionClicked(section);
            toggle(section);
            return;
        }
    }
}

// MARK: Changing bars

void StatusBarController::reinstallStatusItems()
{
    if (m_statusItems.empty()) {
        m_appliedOrder.clear();
        syncStatusItems();
        return;
    }
    rebuildStatusItems(m_appliedOrder);
}
