#include "VantorShared/Meters/StatusMetricView.h"

#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/System/CoreTopology.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double symbolPointSize = 12.0;
constexpr double missingSymbolSide = 13.0;
constexpr double gaugeWidth = 8.0;
constexpr double gaugeHeight = 20.0;
constexpr double meterBottom = 1.5;
constexpr double frameLineWidth = 0.8;
constexpr double waveAndCompactWidth = 46.0;
constexpr double letterSpacing = 5.5;
constexpr double letterPointSize = 6.2;
constexpr double readoutPointSize = 11.0;

int coreCountOverride = 0;

// Finite fractions only; anything else draws as empty rather than as a huge or undefined shape.
double clampedFraction(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : (value > 0 ? 1.0 : 0.0);
}

double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

// Whole numbers for texts and signatures; a reading that is not finite or absurdly large must
// not take the program down, it only shows as a dash.
std::optional<qint64> wholeNumber(double value)
{
    const double rounded = std::round(value);
    if (!std::isfinite(rounded) || std::fabs(rounded) > 1e15)
        return std::nullopt;
    return qint64(rounded) + 0; // "+ 0" folds -0 into 0
}

QString wholeNumberText(double value)
{
    const auto number = wholeNumber(value);
    return number ? QString::number(*number) : QStringLiteral("—");
}

QString signatureNumber(double value)
{
    return QString::number(wholeNumber(value).value_or(0));
}

QString wattsText(double watts)
{
    return wholeNumberText(watts) + QLatin1Char('W');
}

std::optional<QString> degreesText(std::optional<double> celsius)
{
    if (!celsius)
        return std::nullopt;
    return Units::degrees(*celsius);
}

// Process-wide caches of the meters, used on the main thread only.
struct TextStyle {
    int dpi = 0;
    QFont font;
    double lineHeight = 0;
    double ascent = 0;
};

QHash<QString, QSizeF>& symbolSizes()
{
    static QHash<QString, QSizeF> sizes;
    return sizes;
}

QHash<QString, QImage>& renderedSymbols()
{
    static QHash<QString, QImage> images;
    return images;
}

bool hasEqualWidthDigits(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const double zero = metrics.horizontalAdvance(QLatin1Char('0'));
    for (char digit = '1'; digit <= '9'; ++digit)
        if (std::fabs(metrics.horizontalAdvance(QLatin1Char(digit)) - zero) > 0.01)
            return false;
    return zero > 0;
}

// The interface font when its digits have equal widths (so a changing readout does not jitter),
// else the first installed family that has them.
QString readoutFamily()
{
    static const QString family = [] {
        const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        if (hasEqualWidthDigits(system))
            return system.family();
        for (const QString& candidate : {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans"),
                 QStringLiteral("Liberation Sans"), QStringLiteral("Cantarell")}) {
            if (QFontDatabase::hasFamily(candidate) && hasEqualWidthDigits(QFont(candidate)))
                return candidate;
        }
        return system.family();
    }();
    return family;
}

// Sizes are given in points of the meters' design, where one point is one device-independent
// pixel; a font's point size depends on the paint device's logical DPI, so convert through it.
TextStyle makeTextStyle(const QString& family, double size, QFont::Weight weight, const QPaintDevice* device)
{
    TextStyle style;
    style.dpi = std::max(1, device->logicalDpiY());
    style.font = QFont(family);
    style.font.setPointSizeF(size * 72.0 / style.dpi);
    style.font.setWeight(weight);
    style.font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(style.font, device);
    style.lineHeight = metrics.height();
    style.ascent = metrics.ascent();
    return style;
}

const TextStyle& readoutStyle(const QPaintDevice* device)
{
    static TextStyle style;
    if (style.dpi != device->logicalDpiY())
        style = makeTextStyle(readoutFamily(), readoutPointSize, QFont::Medium, device);
    return style;
}

const TextStyle& letterStyle(const QPaintDevice* device)
{
    static TextStyle style;
    if (style.dpi != device->logicalDpiY())
        style = makeTextStyle(
            QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), letterPointSize, QFont::DemiBold, device);
    return style;
}

double readoutRoom(double textWidth, double gap)
{
    return textWidth > 0 ? textWidth + gap : 0.0;
}

double readoutRoom(MonitorSection section, double gap)
{
    switch (section) {
    case MonitorSection::cpu:
        return readoutRoom(textWidth(MeterSettings::cpuReadout()), gap);
    case MonitorSection::memory:
        return readoutRoom(textWidth(MeterSettings::memoryReadout()), gap);
    case MonitorSection::storage:
        return readoutRoom(textWidth(MeterSettings::storageReadout()), gap);
    case MonitorSection::sensors:
        return readoutRoom(textWidth(MeterSettings::sensorsReadout()), gap);
    }
    return 0.0;
}

int coreCount()
{
    return std::max(1, coreCountOverride > 0 ? coreCountOverride : CoreTopology::totalCores());
}

double cpuMeterWidth(MeterStyle style)
{
    return style == MeterStyle::bars ? StatusMetricView::cpuBarsMeterWidth(coreCount()) : waveAndCompactWidth;
}

QString appearanceName(StatusMetricView::Appearance appearance)
{
    return appearance == StatusMetricView::Appearance::dark ? QStringLiteral("dark") : QStringLiteral("light");
}

} // namespace

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

StatusMetricView::StatusMetricView(const QRect& frame, MonitorSection section, QWidget* parent)
    : QWidget(parent)
    , m_section(section)
{
    setGeometry(frame);
    // Clicks go to the status item's button underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(accessibilityText(section));
}

void StatusMetricView::setReadings(MenuBarReadings* readings)
{
    m_readings = readings;
}

StatusMetricView::Appearance StatusMetricView::effectiveAppearance() const
{
    const QPalette& colors = palette();
    return colors.color(QPalette::Window).lightness() < colors.color(QPalette::WindowText).lightness()
        ? Appearance::dark
        : Appearance::light;
}

QColor StatusMetricView::primaryLabelColor(Appearance appearance)
{
    return appearance == Appearance::dark ? QColor(255, 255, 255, 217) : QColor(0, 0, 0, 217);
}

QColor StatusMetricView::borderColor()
{
    return QColor::fromRgbF(0.43f, 0.43f, 0.45f, 0.92f);
}

void StatusMetricView::overrideCoreCount(int count)
{
    coreCountOverride = std::max(0, count);
}

void StatusMetricView::resetCachesForTesting()
{
    symbolSizes().clear();
    renderedSymbols().clear();
}

// MARK: Layout

double StatusMetricView::cpuBarsMeterWidth(int coreCount)
{
    const int n = std::max(1, coreCount);
    return n * 4.9 + (n - 1) + 4;
}

QSizeF StatusMetricView::iconSize(MonitorSection section)
{
    const QString name = icon(section);
    auto& sizes = symbolSizes();
    const auto cached = sizes.constFind(name);
    if (cached != sizes.constEnd())
        return *cached;
    const QSizeF size
        = SymbolImages::size(name, symbolPointSize).value_or(QSizeF(missingSymbolSide, missingSymbolSide));
    sizes.insert(name, size);
    return size;
}

double StatusMetricView::labelWidth(MonitorSection section)
{
    return MeterSettings::labelStyle(section) == MeterLabelStyle::letters ? 6.0 : iconSize(section).width();
}

double StatusMetricView::meterSideGap(MonitorSection section)
{
    return MeterSettings::labelStyle(section) == MeterLabelStyle::letters ? 3.0 : 5.0;
}

double StatusMetricView::cpuReadoutWidth()
{
    return readoutRoom(textWidth(MeterSettings::cpuReadout()), meterSideGap(MonitorSection::cpu));
}

double StatusMetricView::itemWidth(MonitorSection section)
{
    const double label = labelWidth(section);
    const double gap = meterSideGap(section);
    const double room = readoutRoom(section, gap);
    switch (section) {
    case MonitorSection::cpu:
        return cpuMeterWidth(MeterSettings::style()) + (label + 1 + gap) + room + 1;
    case MonitorSection::memory:
    case MonitorSection::storage:
        // 0.4 is half the frame's line width, which reaches past the gauge's right edge.
        return label + 1 + gap + gaugeWidth + frameLineWidth / 2 + room + 1;
    case MonitorSection::sensors:
        if (MeterSettings::labelStyle(section) == MeterLabelStyle::icons)
            return label + 1 + room + 1;
        return label + 1 + gap + iconSize(MonitorSection::sensors).width() + room + 1;
    }
    return 0.0;
}

// MARK: Texts

QString StatusMetricView::percentText(double fraction)
{
    const double percent = fraction > 0 ? std::round(std::min(fraction, 1.0) * 100) : 0.0;
    return QString::number(qint64(percent)) + QLatin1Char('%');
}

std::optional<QString> StatusMetricView::bytesText(std::optional<double> bytes)
{
    if (!bytes)
        return std::nullopt;
    const double gigabytes = *bytes / 1073741824.0;
    if (!std::isfinite(gigabytes))
        return QStringLiteral("—");
    if (gigabytes >= 999.5)
        return QString::asprintf("%.1fT", gigabytes / 1024);
    if (gigabytes >= 9.95)
        return QString::asprintf("%.0fG", gigabytes);
    return QString::asprintf("%.1fG", gigabytes);
}

std::optional<QString> StatusMetricView::cpuReadoutText(const MenuBarReadings& readings)
{
    switch (MeterSettings::cpuReadout()) {
    case CPUReadout::off:
        return std::nullopt;
    case CPUReadout::usage:
        return percentText(readings.cpuUsage());
    case CPUReadout::temperature:
        return degreesText(readings.cpuTemperature());
    case CPUReadout::power:
        if (const auto watts = readings.cpuWatts())
            return wattsText(*watts);
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QString> StatusMetricView::memoryReadoutText(const MenuBarReadings& readings)
{
    switch (MeterSettings::memoryReadout()) {
    case MemoryReadout::off:
        return std::nullopt;
    case MemoryReadout::usage:
        return percentText(readings.memoryUsage());
    case MemoryReadout::pressure:
        return percentText(readings.memoryPressure());
    case MemoryReadout::swap:
        return bytesText(double(readings.swapUsed()));
    }
    return std::nullopt;
}

std::optional<QString> StatusMetricView::storageReadoutText(const MenuBarReadings& readings)
{
    switch (MeterSettings::storageReadout()) {
    case StorageReadout::off:
        return std::nullopt;
    case StorageReadout::usage:
        return percentText(readings.storageUsage());
    case StorageReadout::free:
        return bytesText(double(readings.availableStorage()));
    }
    return std::nullopt;
}

std::optional<QString> StatusMetricView::sensorsReadoutText(const MenuBarReadings& readings)
{
    switch (MeterSettings::sensorsReadout()) {
    case SensorsReadout::off:
        return std::nullopt;
    case SensorsReadout::power:
        if (const auto watts = readings.systemWatts())
            return wattsText(*watts);
        return std::nullopt;
    case SensorsReadout::hottest:
        return degreesText(readings.hottestCelsius());
    case SensorsReadout::gpu:
        return degreesText(readings.gpuTemperature());
    case SensorsReadout::fan:
        if (const auto rpm = readings.fastestFanRPM())
            return wholeNumberText(*rpm);
        return std::nullopt;
    }
    return std::nullopt;
}

QString StatusMetricView::letters(MonitorSection section)
{
    switch (section) {
    case MonitorSection::cpu:
        return QStringLiteral("CPU");
    case MonitorSection::memory:
        return QStringLiteral("RAM");
    case MonitorSection::storage:
        return QStringLiteral("SSD");
    case MonitorSection::sensors:
        return QStringLiteral("SEN");
    }
    return {};
}

QString StatusMetricView::accessibilityText(MonitorSection section)
{
    // The spoken name of a meter is the section's title.
    return title(section);
}

// MARK: Signature

QString StatusMetricView::drawSignature() const
{
    const MenuBarReadings* readings = m_readings.data();
    if (!readings)
        return {};
    const QChar bar = QLatin1Char('|');
    switch (m_section) {
    case MonitorSection::memory:
        return QStringLiteral("memory|") + memoryReadoutText(*readings).value_or(QString()) + bar
            + signatureNumber(readings->memoryUsage() * 400);
    case MonitorSection::storage:
        return QStringLiteral("storage|") + storageReadoutText(*readings).value_or(QString()) + bar
            + signatureNumber(readings->storageUsage() * 400);
    case MonitorSection::sensors:
        return QStringLiteral("sensors|") + sensorsReadoutText(*readings).value_or(QString());
    case MonitorSection::cpu:
        break;
    }
    const QString readout = cpuReadoutText(*readings).value_or(QString());
    switch (MeterSettings::style()) {
    case MeterStyle::wave: {
        const QList<double>& history = readings->cpuHistory();
        return QStringLiteral("cpu|wave|") + readout + bar
            + QString::number(quint64(qHashRange(history.begin(), history.end())));
    }
    case MeterStyle::compact:
        return QStringLiteral("cpu|compact|") + readout + bar + signatureNumber(readings->cpuUsage() * 200);
    case MeterStyle::bars:
        break;
    }
    QString bars = QStringLiteral("cpu|bars|") + readout + QStringLiteral("|[");
    const QList<double>& usages = readings->coreUsages();
    for (qsizetype i = 0; i < usages.size(); ++i) {
        if (i > 0)
            bars += QStringLiteral(", ");
        bars += signatureNumber(usages[i] * 33);
    }
    bars += QLatin1Char(']');
    return bars;
}

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
    Canvas canvas {
        painter, double(height()), scale > 0 ? scale : 2.0, device, effectiveAppearance(), MeterSettings::shape()};

    const bool useLetters = MeterSettings::labelStyle(m_section) == MeterLabelStyle::letters;
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
        endX = drawGauge(canvas, readings.memoryUsage(), MeterSettings::color(MeterAccentSlot::memory), meterX);
        readout = memoryReadoutText(readings);
        break;
    case MonitorSection::storage:
        endX = drawGauge(canvas, readings.storageUsage(), MeterSettings::color(MeterAccentSlot::storage), meterX);
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
    const MeterStyle style = MeterSettings::style();
    switch (style) {
    case MeterStyle::compact: {
        const QRectF frame(originX, canvas.middle() - 5, waveAndCompactWidth, 10);
        strokeFrame(canvas, frame, 1.5, 5);
        const double width = std::max(clampedFraction(readings.cpuUsage()) * 43, 2.0);
        fill(canvas, QRectF(frame.x() + 1.5, frame.y() + 1.5, width, 7), MeterSettings::color(MeterAccentSlot::cpu));
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
    const QColor fast = MeterSettings::color(MeterAccentSlot::cpuFastCores);
    const QColor normal = MeterSettings::color(MeterAccentSlot::cpu);
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
    QColor color = MeterSettings::color(MeterAccentSlot::cpu);
    color.setAlphaF(0.85f);
    canvas.painter.fillPath(area, color);
}

void StatusMetricView::strokeFrame(Canvas& canvas, const QRectF& frame, double square, double pill) const
{
    const double radius = frameRadius(canvas.shape, square, pill);
    QPainterPath path;
    path.addRoundedRect(canvas.toView(frame), radius, radius);
    canvas.painter.strokePath(path, QPen(borderColor(), frameLineWidth));
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
    const TextStyle& style = letterStyle(canvas.device);
    canvas.painter.setFont(style.font);
    canvas.painter.setPen(primaryLabelColor(canvas.appearance));
    const double n = double(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        // The first letter on top, the block centred on the middle of the view.
        const double bottom = canvas.middle() + ((n - 1) / 2 - double(i)) * letterSpacing - style.lineHeight * 0.5;
        const double top = canvas.height - bottom - style.lineHeight;
        canvas.painter.drawText(QPointF(x, top + style.ascent), text.at(i));
    }
}

void StatusMetricView::drawReadout(Canvas& canvas, const QString& text, double x) const
{
    const TextStyle& style = readoutStyle(canvas.device);
    canvas.painter.setFont(style.font);
    canvas.painter.setPen(primaryLabelColor(canvas.appearance));
    const double bottom = canvas.middle() - style.lineHeight * 0.5;
    const double top = canvas.height - bottom - style.lineHeight;
    canvas.painter.drawText(QPointF(x, top + style.ascent), text);
}

void StatusMetricView::drawSectionIcon(Canvas& canvas) const
{
    drawSymbol(canvas, icon(m_section), 1);
}

double StatusMetricView::drawSensorIcon(Canvas& canvas, double x) const
{
    return drawSymbol(canvas, icon(MonitorSection::sensors), x);
}

double StatusMetricView::drawSymbol(Canvas& canvas, const QString& name, double x) const
{
    const QImage image = renderedSymbol(name, symbolPointSize, canvas.scale);
    if (image.isNull())
        return x;
    const QSizeF size = image.deviceIndependentSize();
    canvas.painter.drawImage(QPointF(x, (canvas.height - size.height()) / 2), image);
    return x + size.width();
}

QImage StatusMetricView::renderedSymbol(const QString& name, double pointSize, double scale) const
{
    const Appearance appearance = effectiveAppearance();
    const QString key = name + QLatin1Char('|') + QString::number(pointSize) + QLatin1Char('|')
        + appearanceName(appearance) + QLatin1Char('|') + QString::number(scale);
    auto& cache = renderedSymbols();
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd())
        return *cached;
    QImage image = SymbolImages::render(name, pointSize, primaryLabelColor(appearance), scale);
    if (image.isNull())
        return {};
    cache.insert(key, image);
    return image;
}
