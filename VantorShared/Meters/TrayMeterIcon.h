#pragma once

#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/System/MonitorSection.h"

#include <QIcon>
#include <QImage>
#include <QList>
#include <QString>

#include <array>

// The square forms of the meters, for the icons of a desktop tray. A tray gives an item a square
// of 16 to 32 pixels (and the double of that on HiDPI screens), far less room than a bar item.
//
// Two forms. The meter form keeps only what reads at 22 pixels: the cpu as a few bars of grouped
// cores, as the wave of its recent history or as one level; memory and storage as their symbol
// beside a gauge with its fill; the sensors as their symbol. It goes where the tray shows the
// readout as a text label beside the icon. The readout form is for trays without labels: the
// readout in digits as large as the square allows, over the meter reduced to an underline (and,
// from 32 pixels up, the section's symbol or letters above).
//
// Every size is drawn for its own pixel grid rather than scaled from another, so lines stay
// sharp at 16 pixels. Colours, shape, style and label style come from the same settings as the
// bar's meters.
namespace TrayMeterIcon {

using Appearance = StatusMetricView::Appearance;

enum class Form { meter, readout };

// The pixel sizes put into every icon: the common tray sizes and their HiDPI doubles.
inline constexpr std::array<int, 5> pixelSizes {16, 22, 32, 44, 64};

// Whether this desktop's tray shows an item's label beside its icon: GNOME's app-indicator
// extension and the panels built on the application-indicator libraries do, Plasma, Xfce and
// LXQt do not.
bool desktopShowsLabels();
// The form for a section: the readout form where the tray shows no labels and there is a readout
// to show, else the meter form.
Form form(MonitorSection section, const MenuBarReadings& readings, bool trayShowsLabels);

// The section's readout as the bar shows it ("52%", "48°", "17W"); empty when it is off or has
// no value.
QString label(MonitorSection section, const MenuBarReadings& readings);
// The widest text the section's readout can take, so a tray keeps the label's width steady.
QString labelGuide(MonitorSection section);

// Changes exactly when an icon of pixelSizes would change at its resolution; empty without
// readings. Appearance settings are not part of it: whoever changes those renders again.
QString signature(MonitorSection section, const MenuBarReadings* readings, Form form = Form::meter);

// One square picture, `pixels` wide, transparent around the form.
QImage render(MonitorSection section, const MenuBarReadings& readings, int pixels, Appearance appearance,
    Form form = Form::meter);
// One picture for every size of pixelSizes, smallest first.
QList<QImage> pictures(MonitorSection section, const MenuBarReadings& readings, Appearance appearance, Form form);
// The same pictures in one icon.
QIcon icon(MonitorSection section, const MenuBarReadings& readings, Appearance appearance, Form form = Form::meter);

// The section's key figures, one per line ("Usage: 52%").
QString toolTipText(MonitorSection section, const MenuBarReadings& readings);
// The section title, then its key figures on the following lines.
QString toolTip(MonitorSection section, const MenuBarReadings& readings);

// How many bars the cpu form draws for `coreCount` cores at `pixels`: one per core while they fit
// two pixels wide with one between, else that many groups of neighbouring cores.
int cpuBarCount(int coreCount, int pixels);

} // namespace TrayMeterIcon
