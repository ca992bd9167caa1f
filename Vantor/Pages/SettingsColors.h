#pragma once

#include <QColor>
#include <QPalette>

// The few colours the settings window adds to the palette it inherits. Everything is derived
// from that palette, so the window follows light and dark without a restart. Every text colour
// given here is checked against the background it sits on and darkened or lightened until it
// reads at 4.5:1 or better, whatever theme supplies the palette.
namespace SettingsColors {

// The contrast ratio of `text` (composited over `background` when translucent) on `background`,
// from 1 (none) to 21 (black on white), by the relative luminance of sRGB colours.
double contrastRatio(const QColor& text, const QColor& background);
// `top` painted over an opaque `bottom`.
QColor composite(const QColor& top, const QColor& bottom);
// The smallest contrast any text of the window keeps.
inline constexpr double minimumTextContrast = 4.5;
// `wanted` when it reads on `background`, else the nearest opaque colour towards black or white
// that does.
QColor readable(const QColor& wanted, const QColor& background, double minimum = minimumTextContrast);

// Dark when the window's background is darker than its text.
bool isDark(const QPalette& palette);
// The blue of the section symbols: lighter on dark backgrounds so it keeps its contrast.
QColor headingBlue(bool dark);
// The fill of a rounded settings group, lifted a little off the window background.
QColor groupFill(const QPalette& palette);
// The fill of a group as it shows: over the window background.
QColor groupBackground(const QPalette& palette);
QColor groupBorder(const QPalette& palette);
// Hairlines between the rows of a group.
QColor separator(const QPalette& palette);
// Captions, footers and values that support a label, on the window background.
QColor secondaryText(const QPalette& palette);
// The same on another (opaque) background: a group, the sidebar.
QColor secondaryText(const QPalette& palette, const QColor& background);
// A message about something that failed, on `background`.
QColor errorText(const QColor& background);
// The sidebar's background, a shade apart from the detail column.
QColor sidebarFill(const QPalette& palette);

} // namespace SettingsColors
