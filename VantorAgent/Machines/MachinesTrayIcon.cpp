#include "VantorAgent/Machines/MachinesTrayIcon.h"

#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Meters/TrayMeterIconDrawing.h"

#include <QPainter>
#include <QStringList>

#include <cmath>

namespace MachinesTrayIcon {

namespace {

using Level = MachineThresholds::Level;
using TrayMeterIconDrawing::Grid;

const QString symbolName = QStringLiteral("server.rack");
// Names in the tooltip before the rest are only counted.
constexpr int namedMachines = 4;

void drawMeterForm(QPainter& painter, const Grid& grid, const Face& face, Appearance appearance)
{
    const double side = grid.pixels;
    const QRectF box(grid.margin, grid.margin, side - 2 * grid.margin, side - 2 * grid.margin);
    TrayMeterIconDrawing::drawSymbol(painter, symbolName, box, appearance);
    if (face.level == Level::normal)
        return;
    // The state as a dot in the corner, ringed so it reads over the symbol.
    const double diameter = std::max(5.0, std::round(side * 0.4));
    const QRectF dot(side - grid.margin - diameter, side - grid.margin - diameter, diameter, diameter);
    painter.setPen(QPen(
        appearance == Appearance::dark ? QColor(0, 0, 0, 160) : QColor(255, 255, 255, 200), std::max(1.0, grid.line)));
    painter.setBrush(MachinesMeterView::tint(face.level, appearance));
    painter.drawEllipse(dot.adjusted(0.5, 0.5, -0.5, -0.5));
}

void drawReadoutForm(QPainter& painter, const Grid& grid, const Face& face, Appearance appearance)
{
    const double side = grid.pixels;
    const double edge = std::max(0, grid.margin - 1);
    const double strip = side >= 32 ? std::round(side * 0.22) : 0;
    const double top = grid.margin + (strip > 0 ? strip + 1 : 0);
    const QRectF box(edge, top, side - 2 * edge, std::max(1.0, side - grid.margin - top));
    if (strip > 0)
        TrayMeterIconDrawing::drawSymbol(
            painter, symbolName, QRectF(grid.margin, grid.margin, strip * 1.4, strip), appearance);
    QString shown = face.text;
    const double largest = box.height() * 1.15;
    if (shown.endsWith(QLatin1Char('%'))
        && TrayMeterIconDrawing::drawFittedText(painter, box, shown, largest, 1, QColor(), true) < box.height() * 0.75)
        shown.chop(1);
    TrayMeterIconDrawing::drawFittedText(
        painter, box, shown, largest, std::max(5.0, side * 0.3), MachinesMeterView::tint(face.level, appearance));
}

} // namespace

TrayMeterIcon::Form form(bool trayShowsLabels)
{
    return trayShowsLabels ? TrayMeterIcon::Form::meter : TrayMeterIcon::Form::readout;
}

QString labelGuide()
{
    return QStringLiteral("100%");
}

QString signature(const Face& face, TrayMeterIcon::Form form)
{
    return (form == TrayMeterIcon::Form::readout ? QStringLiteral("readout|") + face.text : QStringLiteral("meter"))
        + QLatin1Char('|') + QString::number(int(face.level));
}

QImage render(const Face& face, int pixels, Appearance appearance, TrayMeterIcon::Form form)
{
    return TrayMeterIconDrawing::square(pixels, [&](QPainter& painter, const Grid& grid) {
        if (form == TrayMeterIcon::Form::readout && !face.text.isEmpty())
            drawReadoutForm(painter, grid, face, appearance);
        else
            drawMeterForm(painter, grid, face, appearance);
    });
}

QList<QImage> pictures(const Face& face, Appearance appearance, TrayMeterIcon::Form form)
{
    QList<QImage> result;
    result.reserve(qsizetype(TrayMeterIcon::pixelSizes.size()));
    for (const int pixels : TrayMeterIcon::pixelSizes)
        result.append(render(face, pixels, appearance, form));
    return result;
}

QString toolTipText(const MachinesMonitor& monitor)
{
    // Trays show the tooltip's text as markup; what comes from the network (names, a server's
    // error message) is not.
    if (monitor.lastError().isError())
        return MachinesConnection::describe(monitor.lastError()).toHtmlEscaped();
    if (!monitor.hasAnswered())
        return AppLanguage::string(QStringLiteral("Asking the server…"));
    const QList<MachineStatus>& machines = monitor.machines();
    const MachineThresholds& thresholds = monitor.thresholds();
    QStringList lines {MachinesConnection::machinesFound(int(machines.size()))};
    int named = 0;
    int unnamed = 0;
    for (const MachineStatus& machine : machines) {
        if (!thresholds.needsAttention(machine))
            continue;
        if (named == namedMachines) {
            ++unnamed;
            continue;
        }
        ++named;
        lines.append((machine.up ? AppLanguage::string(QStringLiteral("%1 needs attention"))
                                 : AppLanguage::string(QStringLiteral("%1 is down")))
                         .arg(machine.name().toHtmlEscaped()));
    }
    if (unnamed > 0)
        lines.append(AppLanguage::string(QStringLiteral("and %1 more")).arg(unnamed));
    if (const MachineStatus* busiest = MachineThresholds::busiest(machines))
        lines.append(AppLanguage::string(QStringLiteral("Busiest: %1, CPU %2"))
                         .arg(busiest->name().toHtmlEscaped(), StatusMetricView::percentText(*busiest->cpu)));
    return lines.join(QLatin1Char('\n'));
}

} // namespace MachinesTrayIcon
