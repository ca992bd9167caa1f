#include "VantorShared/Meters/TrayMeterIcon.h"

#include "VantorShared/Meters/MeterLabelStyle.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/MeterShape.h"
#include "VantorShared/Meters/MeterStyle.h"
#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Meters/TrayMeterIconDrawing.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <optional>

namespace TrayMeterIcon {

namespace {

using namespace TrayMeterIconDrawing;

void drawCPU(QPainter& painter, const Grid& grid, const MenuBarReadings& readings, Appearance appearance)
{
    const QRectF frame = grid.frame(grid.margin, grid.pixels - 2 * grid.margin);
    strokeFrame(painter, grid, frame, appearance);
    const QRectF room = grid.inner(frame);
    switch (MeterSettings::style()) {
    case MeterStyle::wave:
        drawWave(painter, readings, room);
        break;
    case MeterStyle::compact: {
        const double height = levelHeight(readings.cpuUsage(), room.height());
        fillLevel(painter, QRectF(room.left(), room.bottom() - height, room.width(), height),
            MeterSettings::color(MeterAccentSlot::cpu));
        break;
    }
    case MeterStyle::bars:
        drawCoreBars(painter, grid, readings, room);
        break;
    }
}

void drawGaugeForm(QPainter& painter, const Grid& grid, MonitorSection section, double usage, MeterAccentSlot slot,
    Appearance appearance)
{
    // The gauge stands at the right edge, the symbol fills what is left: side by side they tell
    // memory from storage, which a bare gauge could not.
    const double gaugeWidth = std::max(5.0, std::round(grid.pixels * 0.32));
    const double gaugeLeft = grid.pixels - grid.margin - gaugeWidth;
    const QRectF frame = grid.frame(gaugeLeft, gaugeWidth);
    strokeFrame(painter, grid, frame, appearance);
    const QRectF room = grid.inner(frame);
    const double height = levelHeight(usage, room.height());
    fillLevel(painter, QRectF(room.left(), room.bottom() - height, room.width(), height), MeterSettings::color(slot));

    const QRectF symbolBox(0, grid.margin, gaugeLeft - 1, grid.pixels - 2 * grid.margin);
    drawSymbol(painter, icon(section), symbolBox, appearance);
}

void drawSensorsSymbol(QPainter& painter, const Grid& grid, Appearance appearance)
{
    const QRectF box(0, 0, grid.pixels, grid.pixels);
    drawSymbol(painter, icon(MonitorSection::sensors),
        box.adjusted(grid.margin, grid.margin, -grid.margin, -grid.margin), appearance);
}

// The section's label in the strip above the number: its symbol, or its letters.
void drawLabelStrip(QPainter& painter, MonitorSection section, const QRectF& strip, Appearance appearance)
{
    if (MeterSettings::labelStyle(section) == MeterLabelStyle::letters) {
        QFont font;
        font.setWeight(QFont::DemiBold);
        font.setPixelSize(std::max(1, int(strip.height())));
        painter.setFont(font);
        painter.setPen(StatusMetricView::primaryLabelColor(appearance));
        painter.drawText(strip, Qt::AlignLeft | Qt::AlignVCenter, StatusMetricView::letters(section));
        return;
    }
    drawSymbol(
        painter, icon(section), QRectF(strip.left(), strip.top(), strip.height() * 1.4, strip.height()), appearance);
}

// The meter reduced to a strip under the number: a level in the section's accent, the core bars
// or the wave, each in the shape the user chose.
void drawUnderline(QPainter& painter, const Grid& grid, MonitorSection section, const MenuBarReadings& readings,
    const QRectF& strip, Appearance appearance)
{
    const auto level = [&](double usage, MeterAccentSlot slot) {
        QColor track = outlineColor(appearance);
        track.setAlphaF(0.3f);
        fillLevel(painter, strip, track);
        const double width = std::max(strip.height(), std::round(clamped(usage) * strip.width()));
        fillLevel(painter, QRectF(strip.left(), strip.top(), width, strip.height()), MeterSettings::color(slot));
    };
    switch (section) {
    case MonitorSection::memory:
        level(readings.memoryUsage(), MeterAccentSlot::memory);
        return;
    case MonitorSection::storage:
        level(readings.storageUsage(), MeterAccentSlot::storage);
        return;
    case MonitorSection::sensors:
        return;
    case MonitorSection::cpu:
        break;
    }
    switch (MeterSettings::style()) {
    case MeterStyle::compact:
        level(readings.cpuUsage(), MeterAccentSlot::cpu);
        break;
    case MeterStyle::wave:
        drawWave(painter, readings, strip);
        break;
    case MeterStyle::bars:
        drawCoreBars(painter, grid, readings, strip);
        break;
    }
}

void drawReadoutForm(QPainter& painter, const Grid& grid, MonitorSection section, const MenuBarReadings& readings,
    const QString& text, Appearance appearance)
{
    const QColor color = StatusMetricView::primaryLabelColor(appearance);
    const double side = grid.pixels;
    const double edge = std::max(0, grid.margin - 1);
    // The sensors have no gauge: their number takes the whole square.
    const bool gauge = section != MonitorSection::sensors;
    const bool cpuBars = section == MonitorSection::cpu && MeterSettings::style() != MeterStyle::compact;
    const double underline = !gauge ? 0 : std::max(cpuBars ? 3.0 : 2.0, std::round(side / (cpuBars ? 5.0 : 8.0)));
    // From 32 pixels up there is room to name the section above the number.
    const double strip = side >= 32 ? std::round(side * 0.22) : 0;
    const double top = grid.margin + (strip > 0 ? strip + 1 : 0);
    const double bottom = side - grid.margin - (underline > 0 ? underline + 1 : 0);
    const QRectF box(edge, top, side - 2 * edge, std::max(1.0, bottom - top));
    if (strip > 0)
        drawLabelStrip(painter, section, QRectF(grid.margin, grid.margin, side - 2 * grid.margin, strip), appearance);
    // Digits first: a percent sign that would shrink them below most of the height is left out,
    // since the level under them already reads as a share.
    QString shown = text;
    const double largest = box.height() * 1.15;
    if (shown.endsWith(QLatin1Char('%'))
        && drawFittedText(painter, box, shown, largest, 1, color, true) < box.height() * 0.75)
        shown.chop(1);
    drawFittedText(painter, box, shown, largest, std::max(5.0, side * 0.3), color);
    if (underline > 0)
        drawUnderline(painter, grid, section, readings,
            QRectF(grid.margin, side - grid.margin - underline, side - 2 * grid.margin, underline), appearance);
}

} // namespace

int cpuBarCount(int coreCount, int pixels)
{
    const Grid grid(pixels);
    const QRectF room = grid.inner(grid.frame(grid.margin, pixels - 2 * grid.margin));
    const int fitting = std::clamp(int((room.width() + 1) / 3), 1, maximumBars);
    return std::clamp(coreCount, 1, fitting);
}

namespace {

QString meterSignature(MonitorSection section, const MenuBarReadings* readings)
{
    switch (section) {
    case MonitorSection::memory:
        return QStringLiteral("memory|") + QString::number(std::lround(clamped(readings->memoryUsage()) * 400));
    case MonitorSection::storage:
        return QStringLiteral("storage|") + QString::number(std::lround(clamped(readings->storageUsage()) * 400));
    case MonitorSection::sensors:
        return QStringLiteral("sensors");
    case MonitorSection::cpu:
        break;
    }
    switch (MeterSettings::style()) {
    case MeterStyle::wave: {
        // The largest icon shows the most samples; what it does not show cannot change a pixel.
        const QList<double>& history = readings->cpuHistory();
        const Grid grid(pixelSizes.back());
        const QRectF room = grid.inner(grid.frame(grid.margin, grid.pixels - 2 * grid.margin));
        const qsizetype count = waveSampleCount(history.size(), room.width());
        size_t hash = 0;
        for (qsizetype i = history.size() - count; i < history.size(); ++i)
            hash = qHash(clamped(history[i]), hash * 31 + 7);
        return QStringLiteral("cpu|wave|") + QString::number(hash, 16);
    }
    case MeterStyle::compact:
        return QStringLiteral("cpu|compact|") + QString::number(std::lround(clamped(readings->cpuUsage()) * 200));
    case MeterStyle::bars:
        break;
    }
    // Bar heights in whole pixels at every size put into the icon.
    QString text = QStringLiteral("cpu|bars");
    const int n = int(readings->coreUsages().size());
    if (n == 0)
        return text;
    CoreGroup groups[maximumBars];
    for (const int pixels : pixelSizes) {
        const Grid grid(pixels);
        const QRectF room = grid.inner(grid.frame(grid.margin, pixels - 2 * grid.margin));
        const int count = cpuBarCount(n, pixels);
        groupCores(*readings, count, groups);
        text += QLatin1Char('|');
        for (int g = 0; g < count; ++g) {
            text += QString::number(int(levelHeight(groups[g].usage, room.height())));
            text += groups[g].fast ? QLatin1Char('f') : QLatin1Char(',');
        }
    }
    return text;
}

} // namespace

QString signature(MonitorSection section, const MenuBarReadings* readings, Form form)
{
    if (!readings)
        return {};
    if (form == Form::readout)
        return QStringLiteral("readout|") + label(section, *readings) + QLatin1Char('|')
            + (section == MonitorSection::sensors ? QString() : meterSignature(section, readings));
    return meterSignature(section, readings);
}

QImage render(MonitorSection section, const MenuBarReadings& readings, int pixels, Appearance appearance, Form form)
{
    return square(pixels, [&](QPainter& painter, const Grid& grid) {
        if (form == Form::readout) {
            const QString text = label(section, readings);
            if (!text.isEmpty()) {
                drawReadoutForm(painter, grid, section, readings, text, appearance);
                return;
            }
        }
        switch (section) {
        case MonitorSection::cpu:
            drawCPU(painter, grid, readings, appearance);
            break;
        case MonitorSection::memory:
            drawGaugeForm(painter, grid, section, readings.memoryUsage(), MeterAccentSlot::memory, appearance);
            break;
        case MonitorSection::storage:
            drawGaugeForm(painter, grid, section, readings.storageUsage(), MeterAccentSlot::storage, appearance);
            break;
        case MonitorSection::sensors:
            drawSensorsSymbol(painter, grid, appearance);
            break;
        }
    });
}

QList<QImage> pictures(MonitorSection section, const MenuBarReadings& readings, Appearance appearance, Form form)
{
    QList<QImage> result;
    result.reserve(qsizetype(pixelSizes.size()));
    for (const int pixels : pixelSizes)
        result.append(render(section, readings, pixels, appearance, form));
    return result;
}

QIcon icon(MonitorSection section, const MenuBarReadings& readings, Appearance appearance, Form form)
{
    QIcon result;
    for (const QImage& picture : pictures(section, readings, appearance, form))
        result.addPixmap(QPixmap::fromImage(picture));
    return result;
}

} // namespace TrayMeterIcon
