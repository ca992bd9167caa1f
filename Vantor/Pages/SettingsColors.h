#pragma once

#include <QColor>
#include <QPalette>

// The few colours the settings window adds to the palette it inherits. Everything is derived
// from that palette, so the window follows light and dark without a restart.
namespace SettingsColors {

// Dark when the window's background is darker than its text.
bool isDark(const QPalette& palette);
// The blue of the section symbols: lighter on dark backgrounds so it keeps its contrast.
QColor headingBlue(bool dark);
// The fill of a rounded settings group, lifted a little off the window background.
QColor groupFill(const QPalette& palette);
QColor groupBorder(const QPalette& palette);
// Hairlines between the rows of a group.
QColor separator(const QPalette& palette);
// Captions, footers and values that support a label.
QColor secondaryText(const QPalette& palette);
// The sidebar's background, a shade apart from the detail column.
QColor sidebarFill(const QPalette& palette);

} // namespace SettingsColors
