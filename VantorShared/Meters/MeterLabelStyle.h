#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QString>

#include <array>

// How a meter is labelled (key "meterLabelStyle"): the section's symbol or three stacked letters.
enum class MeterLabelStyle { icons, letters };

template <> struct EnumCases<MeterLabelStyle> {
    static constexpr std::array<MeterLabelStyle, 2> all {MeterLabelStyle::icons, MeterLabelStyle::letters};
};

QString rawValue(MeterLabelStyle style);
QString title(MeterLabelStyle style);
