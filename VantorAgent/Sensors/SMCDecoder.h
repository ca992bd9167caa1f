#pragma once

#include "VantorAgent/Sensors/SensorCategory.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// Key codes and value formats of the system management controller: pure functions, no state.
namespace SMCDecoder {

// The first four UTF-8 bytes of `text` folded big-endian (code × 256 + byte); a shorter text
// gives a smaller code.
quint32 keyCode(QStringView text);
// The four bytes of `code`, most significant first, as ASCII; "????" when any is not ASCII.
QString keyString(quint32 code);

// Fan speeds and power: "flt " (4-byte little-endian float) or "fpe2" (unsigned 16-bit
// big-endian with two fraction bits).
std::optional<double> number(quint32 dataType, QByteArrayView bytes);
// Temperatures: "flt " or "sp78" (signed 16-bit big-endian with eight fraction bits); only a
// value above 0 and below 150 °C is believed.
std::optional<double> temperature(quint32 dataType, QByteArrayView bytes);

// By the key's first two characters, case-sensitive.
SensorCategory category(QStringView key);

} // namespace SMCDecoder
