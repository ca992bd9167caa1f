#include "Vantor/Preview/MenuBarStripView.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Preview/SampleReadings.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Settings/SharedSettings.h"

#include "VantorShared/Language/AppLanguage.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <cmath>

MenuBarStripView::MenuBarStripView(MenuBarReadings* readings, QWidget* parent)
    : QWidget(parent)
    , m_readings(readings ? readings : new SampleReadings(this))
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(AppLanguage::string(QStringLiteral("Top bar preview")));
    connect(&SharedSettings::store(), &PreferencesDomain::didChange, this, &MenuBarStripView::rebuild);
    QPointer<MenuBarStripView> self(this);
    m_barListener.listen(SharedSettings::Signal::menuBarChanged, [self] {
        if (self)
            self->rebuild();
    });
    rebuild();
}

MenuBarStripView::~MenuBarStripView() = default;

void MenuBarStripView::rebuild()
{
    // Deleting the meter under the user's hand would end the drag mid-way.
    if (m_drag) {
        m_rebuildAfterDrag = true;
        return;
    }
    m_rebuildAfterDrag = false;
    for (const auto& entry : m_items)
        delete entry.second;
    m_items.clear();

    // The preview draws what the bar will draw: the agent's view of this machine decides which
    // readouts take room and whether the sensors meter shows at all.
    ReadoutSources::adoptPublished();
    int x = hitSlop;
    for (const MonitorSection section : MeterSettings::menuBarOrder()) {
        if (!MeterSettings::showsItem(section) || !ReadoutSources::current().hasSource(section))
            continue;
        const int width = int(std::ceil(StatusMetricView::itemWidth(section)));
        auto* meter = new StatusMetricView(QRect(x, 0, width, itemHeight), section, this);
        meter->setReadings(m_readings);
        meter->show();
        m_items.append({section, meter});
        x += width + spacing;
    }
    if (m_hovered && !view(*m_hovered))
        m_hovered.reset();
    if (m_focused && !view(*m_focused))
        setFocusedSection(m_items.isEmpty() ? std::nullopt : std::optional(m_items.first().first));
    // Nothing to choose or move in an empty row: Tab passes it by.
    setFocusPolicy(m_items.isEmpty() ? Qt::NoFocus : Qt::StrongFocus);
    updateGeometry();
    adjustSize();
    update();
}

int MenuBarStripView::intrinsicWidth() const
{
    int width = 0;
    for (const auto& entry : m_items)
        width += entry.second->width();
    return m_items.isEmpty() ? 0 : width + spacing * int(m_items.size() - 1);
}

QSize MenuBarStripView::sizeHint() const
{
    // Room for the highlight that surrounds the first and last meter.
    const int width = intrinsicWidth();
    return {width ? width + 2 * hitSlop : 0, itemHeight};
}

QList<MonitorSection> MenuBarStripView::sections() const
{
    QList<MonitorSection> list;
    for (const auto& entry : m_items)
        list.append(entry.first);
    return list;
}

StatusMetricView* MenuBarStripView::view(MonitorSection section) const
{
    for (const auto& entry : m_items)
        if (entry.first == section)
            return entry.second;
    return nullptr;
}

std::optional<MonitorSection> MenuBarStripView::item(const QPoint& point) const
{
    for (const auto& entry : m_items)
        if (entry.second->geometry().adjusted(-hitSlop, -hitSlop, hitSlop, hitSlop).contains(point))
            return entry.first;
    return std::nullopt;
}

void MenuBarStripView::layoutSlots(const StatusMetricView* keep)
{
    int x = hitSlop;
    for (const auto& entry : m_items) {
        // The dragged meter keeps following the pointer; only its slot is counted.
        if (entry.second != keep)
            entry.second->move(x, 0);
        x += entry.second->width() + spacing;
    }
}

void MenuBarStripView::setHovered(std::optional<MonitorSection> section)
{
    if (section == m_hovered)
        return;
    m_hovered = section;
    update();
}

void MenuBarStripView::mousePressEvent(QMouseEvent* event)
{
    const auto section = event->button() == Qt::LeftButton ? item(event->position().toPoint()) : std::nullopt;
    if (!section) {
        QWidget::mousePressEvent(event);
        return;
    }
    StatusMetricView* meter = view(*section);
    m_drag = Drag {*section, meter, event->position().toPoint().x() - meter->x()};
    m_hovered = section;
    setCursor(Qt::ClosedHandCursor);
    meter->raise();
    update();
}

void MenuBarStripView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (!m_drag) {
        const auto section = item(point);
        setHovered(section);
        setCursor(section ? Qt::OpenHandCursor : Qt::ArrowCursor);
        return;
    }
    StatusMetricView* meter = m_drag->view;
    const int lowest = hitSlop;
    const int highest = std::max(lowest, hitSlop + intrinsicWidth() - meter->width());
    const int left = std::clamp(point.x() - m_drag->grip, lowest, highest);
    meter->move(left, 0);

    qsizetype index = 0;
    while (m_items[index].second != meter)
        ++index;
    while (index > 0) {
        const QRect neighbour = m_items[index - 1].second->geometry();
        if (left >= neighbour.x() + neighbour.width() / 2.0)
            break;
        m_items.swapItemsAt(index, index - 1);
        --index;
        layoutSlots(meter);
    }
    while (index + 1 < m_items.size()) {
        const QRect neighbour = m_items[index + 1].second->geometry();
        if (left + meter->width() <= neighbour.x() + neighbour.width() / 2.0)
            break;
        m_items.swapItemsAt(index, index + 1);
        ++index;
        layoutSlots(meter);
    }
    update();
}

void MenuBarStripView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_drag || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    setCursor(Qt::OpenHandCursor);
    m_drag.reset();
    // Stored even when nothing moved: the user asked for this order.
    MeterSettings::setMenuBarOrder(sections());
    rebuild();
}

void MenuBarStripView::leaveEvent(QEvent* event)
{
    if (!m_drag) {
        setHovered(std::nullopt);
        setCursor(Qt::ArrowCursor);
    }
    QWidget::leaveEvent(event);
}

void MenuBarStripView::setFocusedSection(std::optional<MonitorSection> section)
{
    m_focused = section;
    // Read out with the preview's name: which meter the arrow keys now work on, and how.
    const QString instructions
        = AppLanguage::string(QStringLiteral("Arrow keys choose a meter; with Ctrl they move it."));
    setAccessibleDescription(section ? title(*section) + QStringLiteral(". ") + instructions : instructions);
    update();
}

void MenuBarStripView::focusInEvent(QFocusEvent* event)
{
    if ((!m_focused || !view(*m_focused)) && !m_items.isEmpty())
        setFocusedSection(m_items.first().first);
    update();
    QWidget::focusInEvent(event);
}

void MenuBarStripView::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void MenuBarStripView::keyPressEvent(QKeyEvent* event)
{
    const int step = event->key() == Qt::Key_Left ? -1 : event->key() == Qt::Key_Right ? 1 : 0;
    if (!step || m_items.isEmpty() || m_drag) {
        QWidget::keyPressEvent(event);
        return;
    }
    const QList<MonitorSection> order = sections();
    const qsizetype index = m_focused ? order.indexOf(*m_focused) : -1;
    if (index < 0) {
        setFocusedSection(order.first());
        return;
    }
    const qsizetype target = index + step;
    if (target < 0 || target >= order.size())
        return;
    if (!(event->modifiers() & Qt::ControlModifier)) {
        setFocusedSection(order[target]);
        return;
    }
    // Moving keeps the meter chosen, so repeated presses carry it along.
    QList<MonitorSection> moved = order;
    moved.swapItemsAt(index, target);
    MeterSettings::setMenuBarOrder(moved);
    rebuild();
    setFocusedSection(m_focused);
}

void MenuBarStripView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const auto marked = m_drag ? std::optional(m_drag->section) : m_hovered;
    if (const StatusMetricView* meter = marked ? view(*marked) : nullptr) {
        QColor fill = StatusMetricView::primaryLabelColor(meter->effectiveAppearance());
        fill.setAlphaF(0.14f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(meter->geometry()).adjusted(-hitSlop, 0, hitSlop, 0), 6, 6);
    }
    // The keyboard's meter wears the focus ring while the preview has the focus.
    if (const StatusMetricView* meter = hasFocus() && m_focused ? view(*m_focused) : nullptr) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(meter->geometry()).adjusted(-hitSlop + 1, 1, hitSlop - 1, -1), 6, 6);
    }
}
