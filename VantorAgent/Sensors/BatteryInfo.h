#pragma once

#include <optional>

// One snapshot of the battery.
struct BatteryInfo {
    double chargePercent = 0;
    double healthPercent = 0;
    int cycleCount = 0;
    double volts = 0;
    double amps = 0;
    bool isCharging = false;
    bool isPluggedIn = false;
    bool isFullyCharged = false;
    std::optional<int> minutesRemaining;
    bool operator==(const BatteryInfo&) const = default;
};
