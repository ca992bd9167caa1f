#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QString>

#include <array>

// What a temperature sensor sits on, told by the first two characters of its key. `other`
// readings are listed but never grouped.
enum class SensorCategory { cpu, gpu, memory, storage, battery, ambient, other };

template <> struct EnumCases<SensorCategory> {
    static constexpr std::array<SensorCategory, 7> all {SensorCategory::cpu, SensorCategory::gpu,
        SensorCategory::memory, SensorCategory::storage, SensorCategory::battery, SensorCategory::ambient,
        SensorCategory::other};
};

// "cpu", "gpu", …: also the category's identity.
QString rawValue(SensorCategory category);
// In the interface language.
QString title(SensorCategory category);
// The symbol's name.
QString icon(SensorCategory category);

// What the sensors popover says in place of its temperatures when no sensor can be read.
QString noReadableTemperaturesText();
