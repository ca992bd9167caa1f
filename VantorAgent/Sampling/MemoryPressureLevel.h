#pragma once

#include <QString>

#include <optional>

struct PressureStalls;

// How hard the system is pressed for memory, as the memory popover reports it.
enum class MemoryPressureLevel { normal, warning, critical };

// "Normal", "Warning", "Critical" in the interface language.
QString title(MemoryPressureLevel level);

// The level from the kernel's memory stall figures. The thresholds are those of the desktop's own
// low-memory monitor: tasks stalled for 100 ms of every second. Every task stalled that long
// ("full") is critical, some tasks stalled that long is a warning; figures that could not be read
// count as normal.
MemoryPressureLevel memoryPressureLevel(const std::optional<PressureStalls>& stalls);

inline size_t qHash(MemoryPressureLevel level, size_t seed = 0)
{
    return size_t(level) ^ seed;
}
