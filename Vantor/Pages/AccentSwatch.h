#pragma once

#include "VantorShared/Meters/MeterAccent.h"

#include <QPixmap>

// The small colour squares beside the accent choices.
namespace AccentSwatch {

// A square of `size` points: the accent's colour with a faint dark outline, inset half a point and
// rounded by 3. Kept for the life of the process per accent and size.
QPixmap image(const MeterAccent& accent, int size);

} // namespace AccentSwatch
