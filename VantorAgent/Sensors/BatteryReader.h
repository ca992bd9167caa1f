#pragma once

#include "VantorAgent/Sensors/BatteryInfo.h"

#include <QVariantHash>

#include <optional>

class PowerSupplyRegistry;

// One snapshot of the internal battery from the battery's registry entry. A machine without a
// battery yields none. Called only by the sampling engine's sensor job, one job at a time.
namespace BatteryReader {

// The machine's own battery (<sysRoot>/class/power_supply of the running system).
std::optional<BatteryInfo> read();
// The battery of `registry`.
std::optional<BatteryInfo> read(PowerSupplyRegistry& registry);
// A snapshot from the entry's properties; none without "CurrentCapacity". A property that is not
// a number (or flag) counts as absent.
std::optional<BatteryInfo> snapshot(const QVariantHash& properties);

} // namespace BatteryReader
