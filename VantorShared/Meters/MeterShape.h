#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QString>

#include <array>

// Shape of meter frames and fills (key "meterShape").
enum class MeterShape { pill, square };

template <> struct EnumCases<MeterShape> {
    static constexpr std::array<MeterShape, 2> all {MeterShape::pill, MeterShape::square};
};

QString rawValue(MeterShape shape);
QString title(MeterShape shape);
// The frame's corner radius: the square value for square, the pill value for pill.
double frameRadius(MeterShape shape, double square, double pill);
// The fill's corner radius: half the shorter side for pill, 0 for square.
double fillRadius(MeterShape shape, double width, double height);
