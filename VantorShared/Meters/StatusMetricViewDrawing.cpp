#include "VantorShared/Meters/StatusMetricViewDrawing.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/CoreTopology.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>

#include <cmath>

namespace StatusMetricViewDrawing {
namespace {

int coreCountOverride = 0;

struct SymbolKey {
    MonitorSection owner;
    bool dark;
    double scale;
    bool operator==(const SymbolKey&) const = default;
};
size_t qHash(const SymbolKey& key, size_t seed = 0)
{
    return qHashMulti(seed, int(key.owner), key.dark, key.scale);
}

// A picture's place on the device grid: its size and the sub-pixel offset of its top-left corner,
// which decide how antialiasing falls.
struct PlacedKey {
    PictureKey identity;
    double width, height, scale, offsetX, offsetY;
    bool operator==(const PlacedKey&) const = default;
};
size_t qHash(const PlacedKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.identity.kind, key.identity.values[0], key.identity.values[1], key.identity.values[2],
        key.identity.values[3], key.identity.color, key.width, key.height, key.scale, key.offsetX, key.offsetY);
}

QHash<QString, QSizeF>& symbolSizes()
{
    static QHash<QString, QSizeF> sizes;
    return sizes;
}

QHash<SymbolKey, QImage>& symbolImages()
{
    static QHash<SymbolKey, QImage> images;
    return images;
}

QHash<PlacedKey, QImage>& pictures()
{
    static QHash<PlacedKey, QImage> images;
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

// Where a picture lands on the device: the painter's scale and the top-left corner in device
// pixels. None when the painter does more than scale and move.
struct Placement {
    double scale;
    QPointF device;
};
std::optional<Placement> placement(const QPainter& painter, const QRectF& bounds)
{
    // The device transform, not the world transform: a widget rendered into a larger image keeps
    // its own device and gets the scaling through redirection.
    const QTransform toDevice = painter.deviceTransform();
    if (toDevice.type() > QTransform::TxScale || toDevice.m11() <= 0 || toDevice.m11() != toDevice.m22())
        return std::nullopt;
    return Placement {toDevice.m11(), toDevice.map(bounds.topLeft())};
}

PlacedKey placedKey(const PictureKey& identity, const QRectF& bounds, const Placement& where)
{
    // Offsets are kept to 1/64 pixel, finer than antialiasing can show.
    const auto fraction = [](double v) { return std::round((v - std::floor(v)) * 64) / 64; };
    return {
        identity, bounds.width(), bounds.height(), where.scale, fraction(where.device.x()), fraction(where.device.y())};
}

void blit(QPainter& painter, const QImage& image, const Placement& where)
{
    // The image carries the device scale as its pixel ratio and lands on whole device pixels, so
    // it is copied one to one, without resampling.
    const QTransform toDevice = painter.deviceTransform();
    painter.drawImage(QPointF((std::floor(where.device.x()) - toDevice.dx()) / where.scale,
                          (std::floor(where.device.y()) - toDevice.dy()) / where.scale),
        image);
}

} // namespace

double clampedFraction(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : (value > 0 ? 1.0 : 0.0);
}

double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

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

const Look& look()
{
    static Look snapshot;
    static quint64 storeGeneration = 0;
    static quint64 sourcesGeneration = 0;
    static bool taken = false;
    // One cheap question to the store; the settings themselves are read only after it changed
    // (or what the machine can supply did).
    const quint64 now = SharedSettings::store().generation();
    if (taken && now == storeGeneration && ReadoutSources::generation() == sourcesGeneration)
        return snapshot;
    sourcesGeneration = ReadoutSources::generation();
    const quint64 generation = snapshot.generation + 1;
    snapshot = Look {};
    snapshot.generation = generation;
    snapshot.style = MeterSettings::style();
    snapshot.shape = MeterSettings::shape();
    for (const MonitorSection section :
        {MonitorSection::cpu, MonitorSection::memory, MonitorSection::storage, MonitorSection::sensors})
        snapshot.labels[size_t(section)] = MeterSettings::labelStyle(section);
    // A readout this machine has no source for is drawn as none and takes no room: it would only
    // ever be an empty gap. A reading missing for a moment keeps its room.
    const ReadoutSources& sources = ReadoutSources::current();
    const auto shown = [&sources](auto readout) { return sources.supports(readout) ? readout : decltype(readout)(0); };
    snapshot.cpuReadout = shown(MeterSettings::cpuReadout());
    snapshot.memoryReadout = shown(MeterSettings::memoryReadout());
    snapshot.storageReadout = shown(MeterSettings::storageReadout());
    snapshot.sensorsReadout = shown(MeterSettings::sensorsReadout());
    for (const MeterAccentSlot slot : allMeterAccentSlots)
        snapshot.colors[size_t(slot)] = MeterSettings::color(slot);
    // Reading may itself have refreshed the store; what was read belongs to the newest state.
    storeGeneration = SharedSettings::store().generation();
    taken = true;
    return snapshot;
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

int coreCount()
{
    return std::max(1, coreCountOverride > 0 ? coreCountOverride : CoreTopology::totalCores());
}

void setCoreCountOverride(int count)
{
    coreCountOverride = std::max(0, count);
}

QSizeF symbolSize(const QString& name)
{
    auto& sizes = symbolSizes();
    const auto cached = sizes.constFind(name);
    if (cached != sizes.constEnd())
        return *cached;
    const QSizeF size
        = SymbolImages::size(name, symbolPointSize).value_or(QSizeF(missingSymbolSide, missingSymbolSide));
    sizes.insert(name, size);
    return size;
}

QImage symbolImage(MonitorSection owner, bool dark, double scale)
{
    auto& cache = symbolImages();
    const SymbolKey key {owner, dark, scale};
    const auto cached = cache.constFind(key);
    if (cached != cache.constEnd())
        return *cached;
    const QImage image = SymbolImages::render(icon(owner), symbolPointSize,
        StatusMetricView::primaryLabelColor(
            dark ? StatusMetricView::Appearance::dark : StatusMetricView::Appearance::light),
        scale);
    // A symbol that cannot be loaded is remembered as missing too, so it is not tried every paint.
    cache.insert(key, image);
    return image;
}

bool drawFromCache(QPainter& painter, const PictureKey& identity, const QRectF& bounds)
{
    const auto where = placement(painter, bounds);
    if (!where)
        return false;
    auto& cache = pictures();
    const auto cached = cache.constFind(placedKey(identity, bounds, *where));
    if (cached == cache.constEnd())
        return false;
    blit(painter, *cached, *where);
    return true;
}

void renderToCache(
    QPainter& painter, const PictureKey& identity, const QRectF& bounds, const std::function<void(QPainter&)>& render)
{
    const auto where = placement(painter, bounds);
    if (!where) {
        render(painter);
        return;
    }
    const PlacedKey key = placedKey(identity, bounds, *where);
    const QSize pixels(int(std::ceil(bounds.width() * where->scale + key.offsetX)) + 1,
        int(std::ceil(bounds.height() * where->scale + key.offsetY)) + 1);
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter into(&image);
        into.setRenderHints(painter.renderHints());
        into.translate(key.offsetX, key.offsetY);
        into.scale(where->scale, where->scale);
        into.translate(-bounds.topLeft());
        render(into);
    }
    image.setDevicePixelRatio(where->scale);
    auto& cache = pictures();
    // Layouts are few; a cache that keeps growing means sizes keep changing, and starts over.
    if (cache.size() > 256)
        cache.clear();
    cache.insert(key, image);
    blit(painter, image, *where);
}

void resetCaches()
{
    symbolSizes().clear();
    symbolImages().clear();
    pictures().clear();
}

} // namespace StatusMetricViewDrawing
