#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

// A half-size picture of the memory popover, built from the same parts as the agent's panels, over
// a wallpaper-like gradient, for the appearance choices.
namespace PanelMiniature {

enum class Scheme { light, dark };

// Paints the miniature into `frame`. `background` is "translucent" or "opaque".
void paint(QPainter& painter, const QRectF& frame, Scheme scheme, const QString& background);

// The lower-right triangle of `frame`: top-right, bottom-right, bottom-left corners.
QPainterPath lowerRightHalf(const QRectF& frame);

} // namespace PanelMiniature
