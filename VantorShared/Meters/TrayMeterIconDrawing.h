#pragma once

#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/Meters/StatusMetricView.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <functional>

// The drawing steps the square tray forms share: the pixel grid of one size, outlines, fills,
// core bars, the wave and symbols.
namespace TrayMeterIconDrawing {

using Appearance = StatusMetricView::Appearance;

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

struct CoreGroup {
    double usage = 0;
    bool fast = false;
};

inline constexpr int maximumBars = 24;

double clamped(double value);
QColor outlineColor(Appearance appearance);
void strokeFrame(QPainter& painter, const Grid& grid, const QRectF& frame, Appearance appearance);
// A level in the shape's fill, rounded for the pill.
void fillLevel(QPainter& painter, const QRectF& rect, const QColor& color);
// The height in pixels of a level inside a room of `height`, at least one pixel so an idle meter
// still shows it is alive.
double levelHeight(double fraction, double height);
// Neighbouring cores averaged into `count` groups; a group counts as fast when most of its cores
// are performance cores (they sit at the end of the list).
void groupCores(const MenuBarReadings& readings, int count, CoreGroup* groups);
// One bar per group of cores that fits `room` at the grid's size.
void drawCoreBars(QPainter& painter, const Grid& grid, const MenuBarReadings& readings, const QRectF& room);
// The samples the wave shows at this width: one every two pixels, the most recent ones.
qsizetype waveSampleCount(qsizetype available, double width);
void drawWave(QPainter& painter, const MenuBarReadings& readings, const QRectF& room);
// The text as large as `box` allows: starts at `largest` pixels and shrinks until it fits the
// width, down to `smallest`. Returns the pixel size used; a dry run only measures.
int drawFittedText(QPainter& painter, const QRectF& box, const QString& text, double largest, double smallest,
    const QColor& color, bool dryRun = false);
// A transparent square picture of `pixels`, drawn by `draw` with an antialiasing painter.
QImage square(int pixels, const std::function<void(QPainter&, const Grid&)>& draw);
// Draws a symbol as large as fits into `box`, centred in it.
void drawSymbol(QPainter& painter, const QString& name, const QRectF& box, Appearance appearance);

} // namespace TrayMeterIconDrawing
