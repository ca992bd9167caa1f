// The popover half of the status bar controller: opening a section's popover on a click, fitting
// its panel to the screen, closing it on a click elsewhere and following the item when the bar
// moves.

#include "VantorAgent/MenuBar/StatusBarController.h"

#include "Platform/Popover/MouseMonitors.h"
#include "Platform/Popover/PopoverWindow.h"
#include "Platform/StatusBar/StatusBarButton.h"
#include "Platform/StatusBar/StatusBarWindow.h"
#include "Platform/StatusBar/StatusItem.h"
#include "VantorAgent/Popovers/MonitorPopover.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorAgent/Sampling/SystemMonitorDetails.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <limits>

void StatusBarController::createPopovers()
{
    m_ownDetails = std::make_unique<SystemMonitorDetails>(*m_monitor);
    m_details = m_ownDetails.get();
    for (const MonitorSection section : allMonitorSections) {
        auto popover = std::make_unique<PopoverWindow>();
        connect(popover.get(), &PopoverWindow::didClose, this, [this, section] { popoverDidClose(section); });
        m_popovers[size_t(section)] = std::move(popover);
    }
    m_mouseMonitors = std::make_unique<MouseMonitors>(
        [this](const QPoint& point, QWidget* window) { localMouseDown(point, window); },
        [this](const QPoint& point) { closePopoversIfOutside(point); });
}

void StatusBarController::destroyPopovers()
{
    m_mouseMonitors.reset();
    // Quietly: the engine is going away with us, there is no detailed sampling left to end.
    for (auto& popover : m_popovers) {
        if (!popover)
            continue;
        disconnect(popover.get(), nullptr, this, nullptr);
        popover.reset();
    }
}

void StatusBarController::useDetailSource(DetailReadings& source)
{
    closePopovers();
    m_details = &source;
    m_panelFit.clear();
}

PopoverWindow* StatusBarController::popover(MonitorSection section) const
{
    return m_popovers[size_t(section)].get();
}

std::optional<StatusBarController::PanelFit> StatusBarController::panelFit(MonitorSection section) const
{
    const auto found = m_panelFit.find(section);
    if (found == m_panelFit.end())
        return std::nullopt;
    return found->second;
}

StatusBarButton* StatusBarController::button(MonitorSection section) const
{
    const StatusItem* item = statusItem(section);
    return item ? item->button() : nullptr;
}

void StatusBarController::popoverDidClose(MonitorSection section)
{
    PopoverWindow* window = popover(section);
    if (!window || window->isShown())
        return;
    window->releaseContent();
    m_anchorPoints.erase(section);
    m_details->endDetailedSampling(section);
}

// MARK: Opening

void StatusBarController::togglePopover(MonitorSection section, std::optional<QPoint> anchorAtScreen)
{
    PopoverWindow* window = popover(section);
    if (window->isShown() || m_pendingSection == section) {
        closePopovers();
        return;
    }
    closePopovers();
    if (!anchorAtScreen && !button(section))
        return;
    if (anchorAtScreen)
        m_anchorPoints[section] = *anchorAtScreen;
    // The panel reads "popoverAppearance" when it is made, here.
    loadContent(*window, section);
    m_pendingSection = section;
    const quint64 generation = ++m_openGeneration;
    m_details->prepareDetailedSampling(section, [self = QPointer<StatusBarController>(this), section, generation] {
        if (!self || self->m_openGeneration != generation)
            return;
        self->m_pendingSection.reset();
        if (self->present(section)) {
            self->configureWindow(*self->popover(section));
            return;
        }
        self->popover(section)->releaseContent();
        self->m_anchorPoints.erase(section);
        self->m_details->endDetailedSampling(section);
    });
}

bool StatusBarController::present(MonitorSection section)
{
    PopoverWindow* window = popover(section);
    if (const auto anchor = m_anchorPoints.find(section); anchor != m_anchorPoints.end()) {
        window->showAt(anchor->second);
        return true;
    }
    StatusBarButton* itemButton = button(section);
    if (!itemButton)
        return false;
    window->showBelow(QRect(itemButton->mapToGlobal(QPoint(0, 0)), itemButton->size()));
    return true;
}

void StatusBarController::configureWindow(PopoverWindow& popover)
{
    popover.applyWindowPolicy();
}

// MARK: Content and fitting

MonitorPopover* StatusBarController::panel(
    MonitorSection section, const PanelMetrics& metrics, std::optional<double> scrollableHeight)
{
    return new MonitorPopover(
        *m_details, section, metrics, scrollableHeight, [self = QPointer<StatusBarController>(this), section] {
            if (self)
                self->popover(section)->close();
        });
}

void StatusBarController::loadContent(PopoverWindow& popover, MonitorSection section)
{
    if (popover.content())
        return;
    MonitorPopover* content = panel(section, PanelMetrics::steps()[0], std::nullopt);
    fitToScreen(*content, section);
    popover.setContent(content);
}

void StatusBarController::fitToScreen(MonitorPopover& panel, MonitorSection section)
{
    const double budget = availableHeight(section);
    if (const auto cached = m_panelFit.find(section); cached != m_panelFit.end() && cached->second.budget == budget) {
        panel.setFit(cached->second.metrics, cached->second.scrollHeight);
        return;
    }
    const PanelFit fit = fittingStep(budget, [&panel](const PanelMetrics& metrics) {
        panel.setFit(metrics, std::nullopt);
        return double(panel.requiredHeight());
    });
    panel.setFit(fit.metrics, fit.scrollHeight);
    m_panelFit[section] = fit;
}

StatusBarController::PanelFit StatusBarController::fittingStep(
    double budget, const std::function<double(const PanelMetrics&)>& heightAt)
{
    for (const PanelMetrics& metrics : PanelMetrics::steps())
        if (heightAt(metrics) <= budget)
            return {budget, metrics, std::nullopt};
    // Below the chrome's own height (or a budget that is no number at all) there is no room
    // for the readings; an empty scrolling area is the honest rest.
    const double scroll = budget - panelChrome;
    return {budget, PanelMetrics::steps().back(), std::isfinite(scroll) && scroll > 0 ? scroll : 0.0};
}

double StatusBarController::availableHeight(MonitorSection section) const
{
    const QString text = qEnvironmentVariable(SharedSettings::Env::panelBudget.toLatin1().constData());
    if (!text.isEmpty()) {
        bool ok = false;
        const double budget = text.toDouble(&ok);
        if (ok && std::isfinite(budget))
            return budget;
    }
    QScreen* screen = nullptr;
    if (const auto anchor = m_anchorPoints.find(section); anchor != m_anchorPoints.end())
        screen = QGuiApplication::screenAt(anchor->second);
    if (!screen)
        if (const StatusBarButton* itemButton = button(section); itemButton && itemButton->statusWindow())
            screen = itemButton->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return std::numeric_limits<double>::max();
    return screen->availableGeometry().height() - 30.0;
}

// MARK: Closing

void StatusBarController::closePopovers()
{
    ++m_openGeneration;
    if (m_pendingSection) {
        const MonitorSection pending = *m_pendingSection;
        m_pendingSection.reset();
        popover(pending)->releaseContent();
        m_anchorPoints.erase(pending);
    }
    for (const MonitorSection section : allMonitorSections)
        popover(section)->close();
    for (const MonitorSection section : allMonitorSections)
        m_details->endDetailedSampling(section);
}

void StatusBarController::localMouseDown(const QPoint& point, QWidget* window)
{
    // A press on an item is that item's click; its own action decides.
    if (const auto* statusWindow = dynamic_cast<const StatusBarWindow*>(window); isStatusItemWindow(statusWindow))
        return;
    closePopoversIfOutside(point);
}

void StatusBarController::closePopoversIfOutside(const QPoint& point)
{
    bool onItem = false;
    for (const QRect& rect : statusButtonScreenRects())
        onItem = onItem || rect.contains(point);
    for (const MonitorSection section : allMonitorSections) {
        const PopoverWindow* window = popover(section);
        if (window->content() && window->frame().contains(point))
            return;
    }
    if (!onItem)
        closePopovers();
}

void StatusBarController::reanchorOpenPopover()
{
    std::optional<MonitorSection> open;
    for (const MonitorSection section : allMonitorSections)
        if (popover(section)->isShown()) {
            open = section;
            break;
        }
    if (!open)
        return;
    const MonitorSection section = *open;
    const std::optional<QPoint> anchor
        = m_anchorPoints.contains(section) ? std::optional<QPoint>(m_anchorPoints[section]) : std::nullopt;
    PopoverWindow* window = popover(section);
    window->close();
    bool visible = anchor.has_value();
    if (!visible)
        if (const StatusBarButton* itemButton = button(section)) {
            const QWidget* itemWindow = itemButton->window();
            const QWindow* handle = itemWindow ? itemWindow->windowHandle() : nullptr;
            visible = itemWindow && itemWindow->isVisible() && handle && handle->isExposed();
        }
    if (!visible)
        return;
    if (anchor)
        m_anchorPoints[section] = *anchor;
    loadContent(*window, section);
    present(section);
    configureWindow(*window);
    m_details->beginDetailedSampling(section);
}
