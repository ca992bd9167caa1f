#pragma once

#include <QColor>

// The colours every panel shares, per colour scheme (dark = true for the dark scheme).
namespace PanelColors {
// Header symbols and section titles.
QColor headerBlue(bool dark);
QColor progressTrackColor(bool dark);
QColor progressFillColor(bool dark);
QColor opaqueBackground(bool dark);
QColor primaryLabel(bool dark);
QColor secondaryLabel(bool dark);
QColor divider(bool dark);
// The system's named colours as the panels use them.
QColor cyan(bool dark);
QColor red(bool dark);
QColor purple(bool dark);
QColor orange(bool dark);
QColor gray(bool dark);
} // namespace PanelColors
