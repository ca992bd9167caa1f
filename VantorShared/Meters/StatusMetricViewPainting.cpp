// The painting of a meter.
#include "VantorShared/Meters/StatusMetricView.h"

#include "VantorShared/Meters/StatusMetricViewDrawing.h"
#include "VantorShared/Support/RecentFirst.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

using namespace StatusMetricViewDrawing;

// What one paint needs besides the settings: the painter, the view's height for turning the
// design's bottom-left coordinates into the widget's, and the device's scale and DPI.
struct StatusMetricView::Canvas {
    QPainter& painter;
    double height;
    double scale;
    const QPaintDevice* device;
    Appearance appearance;
    MeterShape shape;

    double middle() const { return height * 0.5; }
    // A rectangle given with its bottom-left corner, in widget coordinates.
    QRectF toView(double x, double y, double width, double h) const { return QRectF(x, height - y - h, width, h); }
    QRectF toView(const QRectF& design) const
    {
        return toView(design.x(), design.y(), design.width(), design.height());
    }
    QPointF toView(double x, double y) const { return QPointF(x, height - y); }
};

// MARK: Drawing

void StatusMetricView::paintEvent(QPaintEvent*)
{
    const MenuBarReadings* readings = m_readings.data();
    if (!readings)
        return;
    QPainter painter(this);
    draw(painter, *readings);
}

void StatusMetricView::draw(QPainter& painter, const MenuBarReadings& readings) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPaintDevice* device = painter.device();
    // The backing scale: the device's pixel ratio, or the painter's own scaling when the view is
    // rendered into a larger image (the device is then still the widget itself).
    const QTransform toDevice = painter.deviceTransform();
    const double scale = std::max(device->devicePixelRatioF(),
        std::sqrt(std::fabs(toDevice.m11() * toDevice.m22() - toDevice.m12() * toDevice.m21())));
    const Look& settings = look();
    Canvas canvas {painter, double(height()), scale > 0 ? scale : 2.0, device, effectiveAppearance(), settings.shape};

    const bool useLetters = settings.label(m_section) == MeterLabelStyle::letters;
    const double label = labelWidth(m_section);
    const double gap = meterSideGap(m_section);
    const double meterX = label + 1 + gap;

    if (useLetters)
        drawVertical(canvas, letters(m_section), 1);
    else
        drawSectionIcon(canvas);

    double endX = meterX;
    std::optional<QString> readout;
    switch (m_section) {
    case MonitorSection::cpu:
        endX = drawCPUMeter(canvas, readings, meterX);
        readout = cpuReadoutText(readings);
        break;
    case MonitorSection::memory:
        endX = drawGauge(canvas, readings.memoryUsage(), look().color(MeterAccentSlot::memory), meterX);
        readout = memoryReadoutText(readings);
        break;
    case MonitorSection::storage:
        endX = drawGauge(canvas, readings.storageUsage(), look().color(MeterAccentSlot::storage), meterX);
        readout = storageReadoutText(readings);
        break;
    case MonitorSection::sensors:
        endX = useLetters ? drawSensorIcon(canvas, meterX) : label + 1;
        readout = sensorsReadoutText(readings);
        break;
    }
    if (readout)
        drawReadout(canvas, *readout, endX + gap);
}

double StatusMetricView::drawGauge(Canvas& canvas, double usage, const QColor& color, double originX) const
{
    const QRectF frame(originX, meterBottom, gaugeWidth, gaugeHeight);
    strokeFrame(canvas, frame, 0.8, 4);
    const double level = std::max(clampedFraction(usage) * (gaugeHeight - 4), 2.0);
    // The fill grows upward from the bottom of the gauge.
    fill(canvas, QRectF(frame.x() + 2, frame.y() + 2, 4, level), color);
    return frame.right();
}

double StatusMetricView::drawCPUMeter(Canvas& canvas, const MenuBarReadings& readings, double originX) const
{
    const MeterStyle style = look().style;
    switch (style) {
    case MeterStyle::compact: {
        const QRectF frame(originX, canvas.middle() - 5, waveAndCompactWidth, 10);
        strokeFrame(canvas, frame, 1.5, 5);
        const double width = std::max(clampedFraction(readings.cpuUsage()) * 43, 2.0);
        fill(canvas, QRectF(frame.x() + 1.5, frame.y() + 1.5, width, 7), look().color(MeterAccentSlot::cpu));
        return frame.right();
    }
    case MeterStyle::wave: {
        const QRectF frame(originX, meterBottom, waveAndCompactWidth, gaugeHeight);
        strokeFrame(canvas, frame, 1.5, std::min(frame.height() / 2, 4.45));
        drawWave(canvas, readings.cpuHistory(), frame);
        return frame.right();
    }
    case MeterStyle::bars:
        break;
    }
    const QRectF frame(originX, meterBottom, cpuBarsMeterWidth(coreCount()), gaugeHeight);
    strokeFrame(canvas, frame, 1.5, std::min(frame.height() / 2, 4.45));
    drawCoreBars(canvas, readings, frame);
    return frame.right();
}

void StatusMetricView::drawCoreBars(Canvas& canvas, const MenuBarReadings& readings, const QRectF& frame) const
{
    const QList<double>& usages = readings.coreUsages();
    const qsizetype n = usages.size();
    if (n == 0)
        return;
    const qsizetype fastCount = std::clamp<qsizetype>(readings.performanceCoreCount(), 0, n);
    const qsizetype firstFast = n - fastCount;
    const QColor fast = look().color(MeterAccentSlot::cpuFastCores);
    const QColor normal = look().color(MeterAccentSlot::cpu);
    for (qsizetype i = 0; i < n; ++i) {
        const double x = frame.x() + 2 + double(i) * 5.9;
        // Cores that do not fit the frame (the topology knows fewer than were sampled) are left out.
        if (x + 4.9 > frame.right() - 2 + 0.01)
            break;
        // Not clamped: a bar shows what the engine reported.
        const double height = std::max(finiteOrZero(usages[i]) * 16.5, 1.5);
        fill(canvas, QRectF(x, frame.y() + 2, 4.9, height), fastCount >= 1 && i >= firstFast ? fast : normal);
    }
}

void StatusMetricView::drawWave(Canvas& canvas, const QList<double>& history, const QRectF& frame) const
{
    if (history.size() < 2)
        return;
    const QRectF inner = frame.adjusted(2, 2, -2, -2);
    const double step = inner.width() / double(history.size() - 1);
    QPainterPath area;
    area.moveTo(canvas.toView(inner.left(), inner.top()));
    for (qsizetype i = 0; i < history.size(); ++i)
        area.lineTo(
            canvas.toView(inner.left() + double(i) * step, inner.top() + clampedFraction(history[i]) * inner.height()));
    area.lineTo(canvas.toView(inner.right(), inner.top()));
    area.closeSubpath();
    QColor color = look().color(MeterAccentSlot::cpu);
    color.setAlphaF(0.85f);
    canvas.painter.fillPath(area, color);
}

void StatusMetricView::strokeFrame(Canvas& canvas, const QRectF& frame, double square, double pill) const
{
    // The outline never changes with the readings: stroked once per size and position on the pixel
    // grid, then copied.
    const double radius = frameRadius(canvas.shape, square, pill);
    const QRectF rect = canvas.toView(frame);
    const PictureKey identity {1, {rect.width(), rect.height(), radius, 0}, borderColor().rgba()};
    drawCached(canvas.painter, identity, rect.adjusted(-1, -1, 1, 1), [rect, radius](QPainter& painter) {
        QPainterPath path;
        path.addRoundedRect(rect, radius, radius);
        painter.strokePath(path, QPen(borderColor(), frameLineWidth));
    });
}

void StatusMetricView::fill(Canvas& canvas, const QRectF& rect, const QColor& color) const
{
    const double radius = fillRadius(canvas.shape, rect.width(), rect.height());
    if (radius > 0) {
        QPainterPath path;
        path.addRoundedRect(canvas.toView(rect), radius, radius);
        canvas.painter.fillPath(path, color);
    } else {
        canvas.painter.fillRect(canvas.toView(rect), color);
    }
}

void StatusMetricView::drawVertical(Canvas& canvas, const QString& text, double x) const
{
    // Fixed letters: shaped by the text engine once per look, then copied.
    const TextStyle& style = letterStyle(canvas.device);
    const QColor color = primaryLabelColor(canvas.appearance);
    const PictureKey identity {2, {double(m_section), double(style.dpi), canvas.height, x}, color.rgba()};
    const QRectF bounds(0, 0, x + letterPointSize * 2, canvas.height);
    const double height = canvas.height;
    drawCached(canvas.painter, identity, bounds, [&text, &style, color, height, x](QPainter& painter) {
        painter.setFont(style.font);
        painter.setPen(color);
        const double n = double(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            // The first letter on top, the block centred on the middle of the view.
            const double bottom = height * 0.5 + ((n - 1) / 2 - double(i)) * letterSpacing - style.lineHeight * 0.5;
            const double top = height - bottom - style.lineHeight;
            painter.drawText(QPointF(x, top + style.ascent), text.at(i));
        }
    });
}

void StatusMetricView::drawReadout(Canvas& canvas, const QString& text, double x) const
{
    const TextStyle& style = readoutStyle(canvas.device);
    canvas.painter.setFont(style.font);
    canvas.painter.setPen(primaryLabelColor(canvas.appearance));
    const double bottom = canvas.middle() - style.lineHeight * 0.5;
    const double top = canvas.height - bottom - style.lineHeight;
    if (m_readoutFont != style.font) {
        for (QStaticText& layout : m_readoutLayouts)
            layout = QStaticText();
        m_readoutFont = style.font;
    }
    // A text seen lately is drawn from its layout; a new one takes the place of the oldest.
    const QStaticText& layout = RecentFirst::use(
        m_readoutLayouts, [&text](const QStaticText& kept) { return kept.text() == text; },
        [&](QStaticText& made) {
            made.setText(text);
            made.setTextFormat(Qt::PlainText);
            made.prepare(QTransform(), style.font);
        });
    canvas.painter.drawStaticText(QPointF(x, top), layout);
}

void StatusMetricView::drawSectionIcon(Canvas& canvas) const
{
    drawSymbol(canvas, m_section, 1);
}

double StatusMetricView::drawSensorIcon(Canvas& canvas, double x) const
{
    return drawSymbol(canvas, MonitorSection::sensors, x);
}

double StatusMetricView::drawSymbol(Canvas& canvas, MonitorSection owner, double x) const
{
    const QImage image = symbolImage(owner, canvas.appearance == Appearance::dark, canvas.scale);
    if (image.isNull())
        return x;
    const QSizeF size = image.deviceIndependentSize();
    canvas.painter.drawImage(QPointF(x, (canvas.height - size.height()) / 2), image);
    return x + size.width();
}
