#include "VantorAgent/Sampling/MemoryPressureLevel.h"

#include "Platform/Kernel/PressureReader.h"
#include "VantorShared/Language/AppLanguage.h"

QString title(MemoryPressureLevel level)
{
    switch (level) {
    case MemoryPressureLevel::normal:
        return AppLanguage::string(QStringLiteral("Normal"));
    case MemoryPressureLevel::warning:
        return AppLanguage::string(QStringLiteral("Warning"));
    case MemoryPressureLevel::critical:
        return AppLanguage::string(QStringLiteral("Critical"));
    }
    return {};
}

MemoryPressureLevel memoryPressureLevel(const std::optional<PressureStalls>& stalls)
{
    // Percent of the last ten seconds: 10 % is 100 ms of stall per second.
    constexpr double threshold = 10.0;
    if (!stalls)
        return MemoryPressureLevel::normal;
    if (stalls->fullAvg10 >= threshold)
        return MemoryPressureLevel::critical;
    if (stalls->someAvg10 >= threshold)
        return MemoryPressureLevel::warning;
    return MemoryPressureLevel::normal;
}
