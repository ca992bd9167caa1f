#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QString>

#include <array>
#include <optional>

// The four things the agent monitors; declaration order is the order of every loop over them.
enum class MonitorSection { cpu, memory, storage, sensors };

template <> struct EnumCases<MonitorSection> {
    static constexpr std::array<MonitorSection, 4> all {
        MonitorSection::cpu, MonitorSection::memory, MonitorSection::storage, MonitorSection::sensors};
};

inline constexpr const std::array<MonitorSection, 4>& allMonitorSections = EnumCases<MonitorSection>::all;

// The stable key: "cpu", "memory", "storage", "sensors".
QString key(MonitorSection section);
inline QString rawValue(MonitorSection section)
{
    return key(section);
}
// The section whose key equals `key` exactly.
inline std::optional<MonitorSection> monitorSection(QStringView key)
{
    return fromRawValue<MonitorSection>(key);
}
// The localised title ("CPU", "Memory", "SSD", "Sensors").
QString title(MonitorSection section);
// The symbol name ("cpu", "memorychip", "internaldrive", "sensor").
QString icon(MonitorSection section);

inline size_t qHash(MonitorSection section, size_t seed = 0)
{
    return size_t(section) ^ seed;
}
