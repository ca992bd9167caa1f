#pragma once

#include "VantorShared/Meters/MenuBarReadout.h"
#include "VantorShared/Meters/MeterAccentSlot.h"
#include "VantorShared/Meters/MeterLabelStyle.h"
#include "VantorShared/Meters/MeterShape.h"
#include "VantorShared/Meters/MeterStyle.h"
#include "VantorShared/System/MonitorSection.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>

#include <array>
#include <functional>
#include <optional>

class QPainter;
class QPaintDevice;

// What the parts of StatusMetricView share: the measures of the meters' design, number helpers,
// the meter settings as one snapshot, and the caches of everything that looks the same from one
// paint to the next. All of it is used on the main thread only.
namespace StatusMetricViewDrawing {

inline constexpr double symbolPointSize = 12.0;
inline constexpr double missingSymbolSide = 13.0;
inline constexpr double gaugeWidth = 8.0;
inline constexpr double gaugeHeight = 20.0;
inline constexpr double meterBottom = 1.5;
inline constexpr double frameLineWidth = 0.8;
inline constexpr double waveAndCompactWidth = 46.0;
inline constexpr double letterSpacing = 5.5;
inline constexpr double letterPointSize = 6.2;
inline constexpr double readoutPointSize = 11.0;

// Finite fractions only; anything else draws as empty rather than as a huge or undefined shape.
double clampedFraction(double value);
double finiteOrZero(double value);
// Whole numbers for texts and signatures; a reading that is not finite or absurdly large must not
// take the program down, it only shows as a dash.
std::optional<qint64> wholeNumber(double value);
QString wholeNumberText(double value);

// The meter settings, read from the store once after each change of the store instead of on every
// paint and every layout question.
struct Look {
    MeterStyle style = MeterStyle::bars;
    MeterShape shape = MeterShape::pill;
    std::array<MeterLabelStyle, 4> labels {};
    CPUReadout cpuReadout = CPUReadout::off;
    MemoryReadout memoryReadout = MemoryReadout::off;
    StorageReadout storageReadout = StorageReadout::off;
    SensorsReadout sensorsReadout = SensorsReadout::off;
    std::array<QColor, 4> colors;
    // Grows whenever the snapshot was taken again.
    quint64 generation = 0;

    MeterLabelStyle label(MonitorSection section) const { return labels[size_t(section)]; }
    QColor color(MeterAccentSlot slot) const { return colors[size_t(slot)]; }
};
const Look& look();

struct TextStyle {
    int dpi = 0;
    QFont font;
    double lineHeight = 0;
    double ascent = 0;
};
const TextStyle& readoutStyle(const QPaintDevice* device);
const TextStyle& letterStyle(const QPaintDevice* device);

int coreCount();
void setCoreCountOverride(int count);

// The symbol's size in points at the meters' symbol size, remembered per name.
QSizeF symbolSize(const QString& name);
// The symbol tinted for `dark` or light, at a backing `scale`; remembered, so a paint only blits.
QImage symbolImage(MonitorSection owner, bool dark, double scale);

// Draws a picture that looks the same on every paint (a meter's outline, the stacked letters)
// from a cache. `bounds` is where it lands in the painter's coordinates; the cached bitmap is
// rendered by `render` (in the same coordinates) once per size, sub-pixel position, scale and
// `identity`, and then only copied, so the text engine and the path stroker stay idle.
struct PictureKey {
    int kind = 0;
    std::array<double, 4> values {};
    QRgb color = 0;
    bool operator==(const PictureKey&) const = default;
};
// Draws the cached picture; false when there is none yet (or the painter rotates or shears, where
// a bitmap would not land on the same pixels).
bool drawFromCache(QPainter& painter, const PictureKey& identity, const QRectF& bounds);
// Renders the picture, keeps it and draws it; `render` paints in the painter's coordinates.
void renderToCache(
    QPainter& painter, const PictureKey& identity, const QRectF& bounds, const std::function<void(QPainter&)>& render);
template <typename Render>
void drawCached(QPainter& painter, const PictureKey& identity, const QRectF& bounds, Render&& render)
{
    // Only a miss pays for wrapping the renderer.
    if (!drawFromCache(painter, identity, bounds))
        renderToCache(painter, identity, bounds, std::function<void(QPainter&)>(std::forward<Render>(render)));
}

void resetCaches();

} // namespace StatusMetricViewDrawing
