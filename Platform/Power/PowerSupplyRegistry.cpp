#include "Platform/Power/PowerSupplyRegistry.h"

#include "Platform/Sensors/SysfsValue.h"

#include <QDir>

#include <cmath>
#include <cstdlib>

namespace {

// Garbage in a file may be any 64-bit number; its size is taken in floating point, where even the
// most negative one has a magnitude.
double magnitude(qint64 value)
{
    return std::fabs(double(value));
}

} // namespace

PowerSupplyRegistry::PowerSupplyRegistry(const QString& sysRoot)
    : m_root(sysRoot + QStringLiteral("/class/power_supply"))
{
}

void PowerSupplyRegistry::lookUp()
{
    if (m_lookedUp)
        return;
    m_lookedUp = true;
    const QDir dir(m_root);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = dir.filePath(name);
        if (SysfsValue::text(path + QStringLiteral("/type")) != "Battery")
            continue;
        if (SysfsValue::text(path + QStringLiteral("/scope")) == "Device")
            continue;
        m_battery = path;
        m_status = ProcFile(path + QStringLiteral("/status"), 64);
        m_powerNow = ProcFile(path + QStringLiteral("/power_now"), 64);
        m_currentNow = ProcFile(path + QStringLiteral("/current_now"), 64);
        m_voltageNow = ProcFile(path + QStringLiteral("/voltage_now"), 64);
        return;
    }
}

bool PowerSupplyRegistry::hasBattery()
{
    lookUp();
    return !m_battery.isEmpty();
}

std::optional<qint64> PowerSupplyRegistry::number(const char* name) const
{
    return SysfsValue::integer(m_battery + QLatin1Char('/') + QLatin1String(name));
}

bool PowerSupplyRegistry::externalConnected(bool& anyExternalSupply) const
{
    anyExternalSupply = false;
    const QDir dir(m_root);
    bool online = false;
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString path = dir.filePath(name);
        const QByteArray type = SysfsValue::text(path + QStringLiteral("/type"));
        if (type != "Mains" && !type.startsWith("USB"))
            continue;
        anyExternalSupply = true;
        if (SysfsValue::integer(path + QStringLiteral("/online")).value_or(0) > 0)
            online = true;
    }
    return online;
}

std::optional<QVariantHash> PowerSupplyRegistry::batteryProperties()
{
    lookUp();
    if (m_battery.isEmpty())
        return std::nullopt;
    QVariantHash properties;
    const QByteArray status = SysfsValue::text(m_battery + QStringLiteral("/status"));
    const bool discharging = status == "Discharging";
    const bool charging = status == "Charging";

    // Drivers report charge (µAh, µA) or energy (µWh, µW); whichever pair is there serves.
    const auto chargeNow = number("charge_now");
    const auto chargeFull = number("charge_full");
    const auto energyNow = number("energy_now");
    const auto energyFull = number("energy_full");
    const auto now = chargeNow ? chargeNow : energyNow;
    const auto full = chargeNow ? chargeFull : energyFull;

    if (const auto capacity = number("capacity"))
        properties.insert(QStringLiteral("CurrentCapacity"), double(*capacity));
    else if (now && full && *full > 0)
        properties.insert(QStringLiteral("CurrentCapacity"), std::round(100.0 * double(*now) / double(*full)));

    const auto design = chargeFull ? number("charge_full_design") : number("energy_full_design");
    const auto fullForHealth = chargeFull ? chargeFull : energyFull;
    if (fullForHealth && design && *design > 0)
        properties.insert(QStringLiteral("MaxCapacity"), std::round(100.0 * double(*fullForHealth) / double(*design)));

    if (const auto cycles = number("cycle_count"))
        properties.insert(QStringLiteral("CycleCount"), double(*cycles));
    const auto voltage = number("voltage_now");
    if (voltage)
        properties.insert(QStringLiteral("Voltage"), double(*voltage) / 1000.0);

    // Drivers disagree about the sign of the current; the status decides it.
    const auto current = number("current_now");
    const auto power = number("power_now");
    std::optional<double> milliamps;
    if (current)
        milliamps = magnitude(*current) / 1000.0;
    else if (power && voltage && *voltage > 0)
        milliamps = magnitude(*power) / double(*voltage) * 1000.0;
    if (milliamps)
        properties.insert(QStringLiteral("Amperage"), discharging ? -*milliamps : *milliamps);

    if (!status.isEmpty()) {
        properties.insert(QStringLiteral("IsCharging"), charging);
        properties.insert(QStringLiteral("FullyCharged"), status == "Full");
    }
    bool anyExternalSupply = false;
    const bool external = externalConnected(anyExternalSupply);
    if (anyExternalSupply)
        properties.insert(QStringLiteral("ExternalConnected"), external);

    // Minutes to empty or to full: the driver's own estimate where it gives one, else the charge
    // (or energy) left to go divided by the current (or power) flowing.
    std::optional<double> minutes;
    if (discharging || charging) {
        if (const auto seconds = number(discharging ? "time_to_empty_now" : "time_to_full_now"))
            minutes = double(*seconds) / 60.0;
        const auto rate = chargeNow ? current : power;
        if (!minutes && now && rate && *rate != 0) {
            const double left = discharging ? double(*now) : double(full.value_or(*now)) - double(*now);
            minutes = left / magnitude(*rate) * 60.0;
        }
    }
    if (minutes && std::isfinite(*minutes))
        properties.insert(QStringLiteral("TimeRemaining"), *minutes);
    return properties;
}

std::optional<double> PowerSupplyRegistry::dischargeWatts()
{
    lookUp();
    if (m_battery.isEmpty())
        return std::nullopt;
    const auto status = m_status.read();
    if (!status || status->substr(0, 11) != "Discharging")
        return std::nullopt;
    if (const auto microwatts = SysfsValue::integer(m_powerNow))
        return magnitude(*microwatts) / 1e6;
    const auto microamps = SysfsValue::integer(m_currentNow);
    const auto microvolts = SysfsValue::integer(m_voltageNow);
    if (microamps && microvolts)
        return magnitude(*microamps) * double(*microvolts) / 1e12;
    return std::nullopt;
}
