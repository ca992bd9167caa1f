#pragma once

#include <QFont>

// Fonts of the panels. Sizes are in points of the panels' design, where one point is one
// device-independent pixel.
namespace PanelFonts {
QFont text(double size, QFont::Weight weight = QFont::Normal);
// A family whose digits all have the same width, so changing values do not jitter.
QFont digits(double size, QFont::Weight weight = QFont::Normal);
} // namespace PanelFonts
