#include "VantorShared/Meters/TrayMeterIcon.h"

#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/MeterShape.h"
#include "VantorShared/Meters/MeterStyle.h"
#include "VantorShared/Meters/SymbolImages.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <optional>

namespace TrayMeterIcon {

namespace {

// The geometry every form shares at one pixel size.
struct Grid {
    explicit Grid(int pixels)
        : pixels(pixels)
        , margin(std::max(1, int(std::lround(pixels / 11.0))))
        , line(std::max(1.0, std::floor(pixels / 22.0)))
    {
    }
    int pixels;
    int margin; // empty border around the form
    double line; // outline width
    // The form's outline, on half pixels so a one-pixel line stays sharp.
    QRectF frame(double left, double width) const
    {
        const double inset = line * 0.5;
        return QRectF(left + inset, margin + inset, width - line, pixels - 2 * margin - line);
    }
    // The room inside an outline, one pixel clear of it.
    QRectF inner(const QRectF& frame) const { return frame.adjusted(line + 0.5, line + 0.5, -line - 0.5, -line - 0.5); }
};

double clamped(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

QColor outlineColor(Appearance appearance)
{
    // The bar's grey outline vanishes on a dark panel at this size; the label colour, softened,
    // reads on both.
    QColor color = StatusMetricView::primaryLabelColor(appearance);
    color.setAlphaF(0.7f);
    return color;
}

double outlineRadius(const QRectF& frame)
{
    return frameRadius(MeterSettings::shape(), frame.width() * 0.12, std::min(frame.width(), frame.height()) * 0.3);
}

void strokeFrame(QPainter& painter, const Grid& grid, const QRectF& frame, Appearance appearance)
{
    const double radius = outlineRadius(frame);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(outlineColor(appearance), grid.line));
    painter.drawRoundedRect(frame, radius, radius);
}

void fillLevel(QPainter& painter, const QRectF& rect, const QColor& color)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    const double radius = fillRadius(MeterSettings::shape(), rect.width(), rect.height());
    if (radius > 0)
        painter.drawRoundedRect(rect, radius, radius);
    else
        painter.drawRect(rect);
}

// The height in pixels of a level inside a room of `height`, at least one pixel so an idle meter
// still shows it is alive.
double levelHeight(double fraction, double height)
{
    return std::max(1.0, std::round(clamped(fraction) * height));
}

struct CoreGroup {
    double usage = 0;
    bool fast = false;
};

// Neighbouring cores averaged into `count` groups; a group counts as fast when most of its cores
// are performance cores (they sit at the end of the list).
void groupCores(const MenuBarReadings& readings, int count, CoreGroup* groups)
{
    const QList<double>& cores = readings.coreUsages();
    const int n = int(cores.size());
    const int firstFast = n - std::clamp(readings.performanceCoreCount(), 0, n);
    for (int g = 0; g < count; ++g) {
        const int begin = g * n / count;
        const int end = std::max(begin + 1, (g + 1) * n / count);
        double sum = 0;
        int fast = 0;
        for (int i = begin; i < end && i < n; ++i) {
            sum += clamped(cores[i]);
            fast += i >= firstFast ? 1 : 0;
        }
        groups[g].usage = sum / double(end - begin);
        groups[g].fast = fast * 2 > end - begin;
    }
}

inline constexpr int maximumBars = 24;

void drawCoreBars(QPainter& painter, const Grid& grid, const MenuBarReadings& readings, const QRectF& room)
{
    const int n = int(readings.coreUsages().size());
    if (n == 0)
        return;
    const int count = cpuBarCount(n, grid.pixels);
    CoreGroup groups[maximumBars];
    groupCores(readings, count, groups);
    const double gap = 1;
    const double width = (room.width() - gap * (count - 1)) / count;
    const QColor normal = MeterSettings::color(MeterAccentSlot::cpu);
    const QColor fast = MeterSettings::color(MeterAccentSlot::cpuFastCores);
    for (int g = 0; g < count; ++g) {
        const double height = levelHeight(groups[g].usage, room.height());
        const QRectF bar(room.left() + g * (width + gap), room.bottom() - height, width, height);
        fillLevel(painter, bar, groups[g].fast ? fast : normal);
    }
}

// The samples the wave shows at this width: one every two pixels, the most recent ones.
qsizetype waveSampleCount(qsizetype available, double width)
{
    return std::min<qsizetype>(available, std::max<qsizetype>(2, qsizetype(width / 2) + 1));
}

void drawWave(QPainter& painter, const MenuBarReadings& readings, const QRectF& room)
{
    const QList<double>& history = readings.cpuHistory();
    const qsizetype count = waveSampleCount(history.size(), room.width());
    if (count < 2)
        return;
    const qsizetype first = history.size() - count;
    const double step = room.width() / double(count - 1);
    QPainterPath area(room.bottomLeft());
    for (qsizetype i = 0; i < count; ++i)
        area.lineTo(room.left() + double(i) * step, room.bottom() - clamped(history[first + i]) * room.height());
    area.lineTo(room.bottomRight());
    area.closeSubpath();
    QColor color = MeterSettings::color(MeterAccentSlot::cpu);
    color.setAlphaF(0.85f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(area);
}

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

// A symbol as large as fits into a box of `box` pixels. Rendering an SVG costs far more than the
// rest of an icon, and the boxes come in a few sizes only, so each is rendered once per process.
QImage fittedSymbol(const QString& name, QSizeF box, Appearance appearance)
{
    static QHash<QString, QImage> cache;
    const QString key = name + QLatin1Char('|') + QString::number(box.width()) + QLatin1Char('x')
        + QString::number(box.height())
        + (appearance == Appearance::dark ? QStringLiteral("|dark") : QStringLiteral("|light"));
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    const std::optional<QSizeF> natural = SymbolImages::size(name, 12);
    if (!natural || natural->isEmpty())
        return {};
    const double points = 12 * std::min(box.width() / natural->width(), box.height() / natural->height());
    const QImage image = SymbolImages::render(name, points, StatusMetricView::primaryLabelColor(appearance), 1.0);
    if (!image.isNull())
        cache.insert(key, image);
    return image;
}

// Draws a symbol as large as fits into `box`, centred in it.
void drawSymbol(QPainter& painter, const QString& name, const QRectF& box, Appearance appearance)
{
    const QImage image = fittedSymbol(name, box.size(), appearance);
    if (image.isNull())
        return;
    const QSizeF size = image.deviceIndependentSize();
    painter.drawImage(
        QPointF(std::round(box.center().x() - size.width() / 2), std::round(box.center().y() - size.height() / 2)),
        image);
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

std::optional<QString> sensorsText(const MenuBarReadings& readings)
{
    return StatusMetricView::sensorsReadoutText(readings);
}

void drawSensors(QPainter& painter, const Grid& grid, const MenuBarReadings& readings, Appearance appearance)
{
    const std::optional<QString> text = sensorsText(readings);
    const QRectF box(0, 0, grid.pixels, grid.pixels);
    if (!text || text->isEmpty()) {
        drawSymbol(painter, icon(MonitorSection::sensors),
            box.adjusted(grid.margin, grid.margin, -grid.margin, -grid.margin), appearance);
        return;
    }
    // The number as large as the square allows: start at most of its height and shrink until the
    // text fits its width.
    QFont font;
    font.setWeight(QFont::DemiBold);
    font.setStretch(QFont::SemiCondensed);
    double size = grid.pixels * 0.62;
    const double minimum = std::max(5.0, grid.pixels * 0.3);
    const double room = grid.pixels - 1;
    for (;;) {
        font.setPixelSize(int(size));
        if (QFontMetricsF(font).horizontalAdvance(*text) <= room || size <= minimum)
            break;
        size -= 1;
    }
    painter.setFont(font);
    painter.setPen(StatusMetricView::primaryLabelColor(appearance));
    painter.drawText(box, Qt::AlignCenter, *text);
}

std::optional<QString> readoutText(MonitorSection section, const MenuBarReadings& readings)
{
    switch (section) {
    case MonitorSection::cpu:
        return StatusMetricView::cpuReadoutText(readings);
    case MonitorSection::memory:
        return StatusMetricView::memoryReadoutText(readings);
    case MonitorSection::storage:
        return StatusMetricView::storageReadoutText(readings);
    case MonitorSection::sensors:
        return StatusMetricView::sensorsReadoutText(readings);
    }
    return std::nullopt;
}

} // namespace

int cpuBarCount(int coreCount, int pixels)
{
    const Grid grid(pixels);
    const QRectF room = grid.inner(grid.frame(grid.margin, pixels - 2 * grid.margin));
    const int fitting = std::clamp(int((room.width() + 1) / 3), 1, maximumBars);
    return std::clamp(coreCount, 1, fitting);
}

QString signature(MonitorSection section, const MenuBarReadings* readings)
{
    if (!readings)
        return {};
    switch (section) {
    case MonitorSection::memory:
        return QStringLiteral("memory|") + QString::number(std::lround(clamped(readings->memoryUsage()) * 400));
    case MonitorSection::storage:
        return QStringLiteral("storage|") + QString::number(std::lround(clamped(readings->storageUsage()) * 400));
    case MonitorSection::sensors:
        return QStringLiteral("sensors|") + sensorsText(*readings).value_or(QString());
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

QImage render(MonitorSection section, const MenuBarReadings& readings, int pixels, Appearance appearance)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const Grid grid(pixels);
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
        drawSensors(painter, grid, readings, appearance);
        break;
    }
    return image;
}

QIcon icon(MonitorSection section, const MenuBarReadings& readings, Appearance appearance)
{
    QIcon result;
    for (const int pixels : pixelSizes)
        result.addPixmap(QPixmap::fromImage(render(section, readings, pixels, appearance)));
    return result;
}

QString toolTip(MonitorSection section, const MenuBarReadings& readings)
{
    const std::optional<QString> readout = readoutText(section, readings);
    if (!readout || readout->isEmpty())
        return title(section);
    return title(section) + QLatin1Char(' ') + *readout;
}

} // namespace TrayMeterIcon
