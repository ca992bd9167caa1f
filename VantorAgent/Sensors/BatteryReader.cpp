#include "VantorAgent/Sensors/BatteryReader.h"

#include "Platform/Power/PowerSupplyRegistry.h"

#include <cmath>
#include <limits>

namespace BatteryReader {
namespace {

std::optional<double> numberProperty(const QVariantHash& properties, const QString& name)
{
    const auto found = properties.constFind(name);
    if (found == properties.cend())
        return std::nullopt;
    switch (found->typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return found->toDouble();
    default:
        return std::nullopt;
    }
}

bool flagProperty(const QVariantHash& properties, const QString& name)
{
    const auto value = numberProperty(properties, name);
    return value && *value != 0;
}

// Whole units toward zero; a value an int cannot hold (or not a number at all) gives 0.
int truncated(double value)
{
    if (!std::isfinite(value) || std::fabs(value) >= double(std::numeric_limits<int>::max()))
        return 0;
    return int(value);
}

} // namespace

std::optional<BatteryInfo> snapshot(const QVariantHash& properties)
{
    const auto charge = numberProperty(properties, QStringLiteral("CurrentCapacity"));
    if (!charge)
        return std::nullopt;
    BatteryInfo info;
    info.chargePercent = *charge;
    // An estimate of nothing, of a day or more, or negative, is no estimate ("still computing"
    // often reads 65535).
    if (const auto minutes = numberProperty(properties, QStringLiteral("TimeRemaining"));
        minutes && *minutes >= 1 && *minutes < 1440)
        info.minutesRemaining = truncated(*minutes);
    info.healthPercent = numberProperty(properties, QStringLiteral("MaxCapacity")).value_or(0);
    info.cycleCount = truncated(numberProperty(properties, QStringLiteral("CycleCount")).value_or(0));
    info.volts = numberProperty(properties, QStringLiteral("Voltage")).value_or(0) / 1000.0;
    info.amps = numberProperty(properties, QStringLiteral("Amperage")).value_or(0) / 1000.0;
    info.isCharging = flagProperty(properties, QStringLiteral("IsCharging"));
    info.isPluggedIn = flagProperty(properties, QStringLiteral("ExternalConnected"));
    info.isFullyCharged = flagProperty(properties, QStringLiteral("FullyCharged"));
    return info;
}

std::optional<BatteryInfo> read(PowerSupplyRegistry& registry)
{
    const auto properties = registry.batteryProperties();
    if (!properties)
        return std::nullopt;
    return snapshot(*properties);
}

std::optional<BatteryInfo> read()
{
    // Looked up once and kept for the life of the process; only the sensor job calls this, one
    // job at a time.
    static PowerSupplyRegistry registry;
    return read(registry);
}

} // namespace BatteryReader
