#pragma once

#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/System/MonitorSection.h"

#include <QIcon>
#include <QImage>
#include <QString>

#include <array>

// The square forms of the meters, for the icons of a desktop tray. A tray gives an item a square
// of 16 to 32 pixels (and the double of that on HiDPI screens), far less room than a bar item, so
// each section keeps only what reads at 22 pixels: the cpu as a few bars of grouped cores, as the
// wave of its recent history or as one level; memory and storage as their symbol beside a gauge
// with its fill; the sensors as their readout number (or their symbol when there is none).
//
// Every size is drawn for its own pixel grid rather than scaled from another, so lines stay
// sharp at 16 pixels. Colours and shape come from the same settings as the bar's meters.
namespace TrayMeterIcon {

using Appearance = StatusMetricView::Appearance;

// The pixel sizes put into every icon: the common tray sizes and their HiDPI doubles.
inline constexpr std::array<int, 5> pixelSizes {16, 22, 32, 44, 64};

// Changes exactly when an icon of pixelSizes would change at its resolution; empty without
// readings. Appearance settings are not part of it: whoever changes those renders again.
QString signature(MonitorSection section, const MenuBarReadings* readings);

// One square picture, `pixels` wide, transparent around the form.
QImage render(MonitorSection section, const MenuBarReadings& readings, int pixels, Appearance appearance);
// Every size of pixelSizes in one icon.
QIcon icon(MonitorSection section, const MenuBarReadings& readings, Appearance appearance);

// The section title, followed by its readout text when there is one ("CPU 52°").
QString toolTip(MonitorSection section, const MenuBarReadings& readings);

// How many bars the cpu form draws for `coreCount` cores at `pixels`: one per core while they fit
// two pixels wide with one between, else that many groups of neighbouring cores.
int cpuBarCount(int coreCount, int pixels);

} // namespace TrayMeterIcon
