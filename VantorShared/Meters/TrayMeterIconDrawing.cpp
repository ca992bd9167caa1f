#include "VantorShared/Meters/TrayMeterIconDrawing.h"

#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/MeterShape.h"
#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Meters/TrayMeterIcon.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainterPath>

#include <optional>

namespace TrayMeterIconDrawing {

namespace {

double outlineRadius(const QRectF& frame)
{
    return frameRadius(MeterSettings::shape(), frame.width() * 0.12, std::min(frame.width(), frame.height()) * 0.3);
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

} // namespace

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

double levelHeight(double fraction, double height)
{
    return std::max(1.0, std::round(clamped(fraction) * height));
}

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

void drawCoreBars(QPainter& painter, const Grid& grid, const MenuBarReadings& readings, const QRectF& room)
{
    const int n = int(readings.coreUsages().size());
    if (n == 0)
        return;
    const int count = TrayMeterIcon::cpuBarCount(n, grid.pixels);
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

int drawFittedText(QPainter& painter, const QRectF& box, const QString& text, double largest, double smallest,
    const QColor& color, bool dryRun)
{
    QFont font;
    font.setWeight(QFont::DemiBold);
    font.setStretch(QFont::SemiCondensed);
    double size = std::floor(largest);
    for (;;) {
        font.setPixelSize(std::max(1, int(size)));
        if (QFontMetricsF(font).horizontalAdvance(text) <= box.width() || size <= smallest)
            break;
        size -= 1;
    }
    if (!dryRun) {
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(box, Qt::AlignCenter, text);
    }
    return int(size);
}

QImage square(int pixels, const std::function<void(QPainter&, const Grid&)>& draw)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    draw(painter, Grid(pixels));
    return image;
}

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

} // namespace TrayMeterIconDrawing
