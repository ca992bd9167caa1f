#pragma once

#include "Platform/Kernel/ProcFile.h"

#include <QString>

#include <optional>
#include <vector>

// How hot the machine runs compared with the limits its firmware set.
enum class ThermalState { unknown, nominal, fair, serious, critical };

// The kernel's thermal zones (<sysRoot>/class/thermal/thermal_zone*) with their trip points. A
// zone's trip points are read once, when the reader is made; its temperature on every read.
class ThermalZones {
public:
    // The lowest trip temperature of each kind that matters here, in millidegrees Celsius.
    struct Trips {
        std::optional<qint64> passive;
        std::optional<qint64> hot;
        std::optional<qint64> critical;
        bool empty() const { return !passive && !hot && !critical; }
    };

    explicit ThermalZones(const QString& sysRoot = QStringLiteral("/sys"));

    // The state of the hottest zone that has trip points, judged against that zone's own trip
    // points: at or over "critical" → critical, "hot" → serious, "passive" (the kernel starts
    // throttling) → fair, else nominal. Unknown when no zone with trip points can be read.
    ThermalState read();
    int zoneCount() const { return int(m_zones.size()); }

    static ThermalState judge(qint64 milliCelsius, const Trips& trips);

private:
    struct Zone {
        ProcFile temperature;
        Trips trips;
    };
    std::vector<Zone> m_zones;
};
