#pragma once

#include "VantorAgent/Machines/MachinesMeterView.h"
#include "VantorShared/Meters/TrayMeterIcon.h"

#include <QImage>
#include <QList>
#include <QString>

class MachinesMonitor;

// The machines meter as a tray item's square icon, in the two forms the section meters have: the
// rack symbol with a dot in the worst machine's colour where the tray shows the readout as a
// label, else the readout itself in digits as large as the square allows, in that colour (with
// the symbol above it from 32 pixels up).
namespace MachinesTrayIcon {

using Appearance = TrayMeterIcon::Appearance;
using Face = MachinesMeterView::Face;

// The form for a face: the readout form where the tray shows no labels.
TrayMeterIcon::Form form(bool trayShowsLabels);
// The widest readout, so a tray keeps the label's width steady.
QString labelGuide();
// Changes exactly when a picture would.
QString signature(const Face& face, TrayMeterIcon::Form form);

QImage render(const Face& face, int pixels, Appearance appearance, TrayMeterIcon::Form form);
// One picture for every size of TrayMeterIcon::pixelSizes, smallest first.
QList<QImage> pictures(const Face& face, Appearance appearance, TrayMeterIcon::Form form);

// What the tooltip says under its title: why there are no figures, or how many machines answer,
// those that need attention (the first few by name) and the busiest one. Trays read it as markup,
// so what came from the network is escaped.
QString toolTipText(const MachinesMonitor& monitor);

} // namespace MachinesTrayIcon
