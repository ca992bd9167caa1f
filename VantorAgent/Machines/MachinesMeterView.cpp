#include "VantorAgent/Machines/MachinesMeterView.h"

#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelFonts.h"

#include <QPainter>

#include <cmath>

namespace {

const QString symbolName = QStringLiteral("server.rack");

} // namespace

MachinesMeterView::Face MachinesMeterView::face(
    const QList<MachineStatus>& machines, const MachineThresholds& thresholds, bool failed, bool answered)
{
    using Level = MachineThresholds::Level;
    if (failed)
        return {QStringLiteral("–"), Level::warning};
    if (!answered)
        return {QStringLiteral("–"), Level::normal};
    int attention = 0;
    Level worst = Level::normal;
    for (const MachineStatus& machine : machines) {
        const Level level = thresholds.level(machine);
        if (level != Level::normal)
            ++attention;
        worst = std::max(worst, level);
    }
    if (attention > 0)
        return {QString::number(attention), worst};
    if (const MachineStatus* busiest = MachineThresholds::busiest(machines))
        return {StatusMetricView::percentText(*busiest->cpu), Level::normal};
    return {QString::number(machines.size()), Level::normal};
}

MachinesMeterView::Face MachinesMeterView::face(const MachinesMonitor& monitor)
{
    return face(monitor.machines(), monitor.thresholds(), monitor.lastError().isError(), monitor.hasAnswered());
}

QColor MachinesMeterView::tint(MachineThresholds::Level level, StatusMetricView::Appearance appearance)
{
    const bool dark = appearance == StatusMetricView::Appearance::dark;
    switch (level) {
    case MachineThresholds::Level::warning:
        return PanelColors::orange(dark);
    case MachineThresholds::Level::critical:
        return PanelColors::red(dark);
    case MachineThresholds::Level::normal:
        break;
    }
    return StatusMetricView::primaryLabelColor(appearance);
}

MachinesMeterView::MachinesMeterView(const MachinesMonitor& monitor, QWidget* parent)
    : QWidget(parent)
    , m_monitor(monitor)
    , m_face(face(monitor))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    if (parent)
        setGeometry(parent->rect());
}

void MachinesMeterView::refresh()
{
    Face next = face(m_monitor);
    if (next == m_face)
        return;
    m_face = std::move(next);
    update();
}

QString MachinesMeterView::accessibilityText() const
{
    return AppLanguage::string(QStringLiteral("Machines")) + QStringLiteral(", ") + m_face.text;
}

void MachinesMeterView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    const bool dark = colors.color(QPalette::Window).lightness() < colors.color(QPalette::WindowText).lightness();
    const QColor tint = MachinesMeterView::tint(
        m_face.level, dark ? StatusMetricView::Appearance::dark : StatusMetricView::Appearance::light);

    const double scale = std::max(1.0, devicePixelRatioF());
    const double symbolHeight = 13;
    const QImage symbol = SymbolImages::render(symbolName, symbolHeight, tint, scale);
    double x = 4;
    if (!symbol.isNull()) {
        const QSizeF size(symbol.width() / scale, symbol.height() / scale);
        painter.drawImage(QRectF(QPointF(x, (height() - size.height()) / 2), size), symbol);
        x += size.width() + 3;
    }
    painter.setPen(tint);
    painter.setFont(PanelFonts::digits(12, QFont::DemiBold));
    painter.drawText(QRectF(x, 0, width() - x - 2, height()), Qt::AlignVCenter | Qt::AlignLeft, m_face.text);
}
