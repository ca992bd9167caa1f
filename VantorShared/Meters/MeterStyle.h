#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QString>

#include <array>

// Style of the cpu meter (key "meterStyle").
enum class MeterStyle { bars, wave, compact };

template <> struct EnumCases<MeterStyle> {
    static constexpr std::array<MeterStyle, 3> all {MeterStyle::bars, MeterStyle::wave, MeterStyle::compact};
};

QString rawValue(MeterStyle style);
QString title(MeterStyle style);
