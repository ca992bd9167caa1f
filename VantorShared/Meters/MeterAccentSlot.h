#pragma once

#include <QString>

#include <array>

// The four places that carry an accent.
enum class MeterAccentSlot { cpu, cpuFastCores, memory, storage };

inline constexpr std::array<MeterAccentSlot, 4> allMeterAccentSlots {
    MeterAccentSlot::cpu, MeterAccentSlot::cpuFastCores, MeterAccentSlot::memory, MeterAccentSlot::storage};

// "cpuAccent", "cpuFastCoreAccent", "memoryAccent", "storageAccent".
QString key(MeterAccentSlot slot);
