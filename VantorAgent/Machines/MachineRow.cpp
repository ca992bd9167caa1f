#include "VantorAgent/Machines/MachineRow.h"

#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Panels/MetricProgressBar.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"
#include "VantorShared/Panels/PanelFormat.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr double inset = 12;

void drawBar(QPainter& painter, const QRectF& area, const QString& label, const std::optional<double>& value, bool over,
    bool dark)
{
    painter.setFont(PanelFonts::text(9));
    painter.setPen(PanelColors::secondaryLabel(dark));
    const QString valueText = value ? PanelFormat::percentOfFraction(*value) : QStringLiteral("–");
    painter.drawText(QRectF(area.left(), area.top(), area.width(), 12), Qt::AlignLeft | Qt::AlignVCenter, label);
    painter.setPen(over ? PanelColors::orange(dark) : PanelColors::primaryLabel(dark));
    painter.setFont(PanelFonts::digits(9));
    painter.drawText(QRectF(area.left(), area.top(), area.width(), 12), Qt::AlignRight | Qt::AlignVCenter, valueText);
    const QRectF track(area.left(), area.top() + 14, area.width(), 4);
    QPainterPath path;
    path.addRoundedRect(track, 2, 2);
    painter.fillPath(path, PanelColors::progressTrackColor(dark));
    if (value) {
        const double width = MetricProgressBar::fillWidth(*value, track.width());
        if (width > 0) {
            QPainterPath fill;
            fill.addRoundedRect(QRectF(track.left(), track.top(), width, track.height()), 2, 2);
            painter.fillPath(fill, over ? PanelColors::orange(dark) : PanelColors::progressFillColor(dark));
        }
    }
}

} // namespace

MachineRow::MachineRow(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

QString MachineRow::sinceText(const MachineStatus& machine, const QDateTime& now)
{
    const QString format = machine.up ? AppLanguage::string(QStringLiteral("Up since %1"))
                                      : AppLanguage::string(QStringLiteral("Down since %1"));
    if (!machine.since.isValid())
        return machine.up ? AppLanguage::string(QStringLiteral("Up")) : AppLanguage::string(QStringLiteral("Down"));
    const QLocale locale(Units::localeName());
    const QDateTime local = machine.since.toLocalTime();
    const QString when = local.date() == now.toLocalTime().date() ? locale.toString(local.time(), QLocale::ShortFormat)
                                                                  : locale.toString(local.date(), QLocale::ShortFormat);
    return format.arg(when);
}

QString MachineRow::detailText(const MachineStatus& machine)
{
    QStringList parts;
    if (machine.hottestCelsius)
        parts.append(Units::temperature(*machine.hottestCelsius, 0));
    if (machine.load1)
        parts.append(AppLanguage::string(QStringLiteral("Load %1")).arg(PanelFormat::number(*machine.load1, 2)));
    if (machine.uptimeSeconds)
        parts.append(AppLanguage::string(QStringLiteral("Uptime %1"))
                         .arg(PanelFormat::daysHoursMinutes(*machine.uptimeSeconds)));
    return parts.join(QStringLiteral(" · "));
}

void MachineRow::setMachine(const MachineStatus& machine, const MachineThresholds& thresholds, const QDateTime& now)
{
    const QString since = sinceText(machine, now);
    const QString detail = detailText(machine);
    const auto level = thresholds.level(machine);
    const auto reasons = thresholds.reasons(machine);
    if (machine == m_machine && since == m_since && detail == m_detail && level == m_level && reasons == m_reasons)
        return;
    m_machine = machine;
    m_since = since;
    m_detail = detail;
    m_level = level;
    m_reasons = reasons;
    setAccessibleName(machine.name() + QStringLiteral(", ") + since);
    update();
}

void MachineRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    if (m_hovered) {
        QColor hover = PanelColors::primaryLabel(dark);
        hover.setAlphaF(0.07f);
        painter.fillRect(rect(), hover);
    }
    const double width = this->width() - 2 * inset;
    using Reason = MachineThresholds::Reason;

    // Line 1: state, name, since when.
    QColor dot = m_machine.up ? QColor::fromRgbF(0.20f, 0.78f, 0.35f) : PanelColors::red(dark);
    if (m_machine.up && m_level == MachineThresholds::Level::warning)
        dot = PanelColors::orange(dark);
    else if (m_machine.up && m_level == MachineThresholds::Level::critical)
        dot = PanelColors::red(dark);
    painter.setPen(Qt::NoPen);
    painter.setBrush(dot);
    painter.drawEllipse(QPointF(inset + 4, 12), 4, 4);
    painter.setFont(PanelFonts::text(11, QFont::DemiBold));
    painter.setPen(PanelColors::primaryLabel(dark));
    const QRectF nameArea(inset + 14, 3, width * 0.55, 18);
    painter.drawText(nameArea, Qt::AlignLeft | Qt::AlignVCenter,
        painter.fontMetrics().elidedText(m_machine.name(), Qt::ElideMiddle, int(nameArea.width())));
    painter.setFont(PanelFonts::text(9));
    painter.setPen(m_machine.up ? PanelColors::secondaryLabel(dark) : PanelColors::red(dark));
    painter.drawText(
        QRectF(inset + 14 + width * 0.55, 3, width * 0.45 - 14, 18), Qt::AlignRight | Qt::AlignVCenter, m_since);

    // Line 2: the three bars.
    const double gap = 10;
    const double barWidth = (width - 2 * gap) / 3;
    drawBar(painter, QRectF(inset, 23, barWidth, 18), AppLanguage::string(QStringLiteral("CPU")),
        m_machine.up ? m_machine.cpu : std::nullopt, m_reasons.contains(Reason::cpu), dark);
    drawBar(painter, QRectF(inset + barWidth + gap, 23, barWidth, 18), AppLanguage::string(QStringLiteral("Memory")),
        m_machine.up ? m_machine.memory : std::nullopt, m_reasons.contains(Reason::memory), dark);
    drawBar(painter, QRectF(inset + 2 * (barWidth + gap), 23, barWidth, 18),
        AppLanguage::string(QStringLiteral("Disk")), m_machine.up ? m_machine.disk : std::nullopt,
        m_reasons.contains(Reason::disk), dark);

    // Line 3: temperature, load, uptime.
    painter.setFont(PanelFonts::text(9));
    painter.setPen(
        m_reasons.contains(Reason::temperature) ? PanelColors::orange(dark) : PanelColors::secondaryLabel(dark));
    painter.drawText(
        QRectF(inset, 44, width, 14), Qt::AlignLeft | Qt::AlignVCenter, m_machine.up ? m_detail : m_machine.instance);
}

void MachineRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked(m_machine.instance);
}

void MachineRow::enterEvent(QEnterEvent*)
{
    m_hovered = true;
    update();
}

void MachineRow::leaveEvent(QEvent*)
{
    m_hovered = false;
    update();
}
