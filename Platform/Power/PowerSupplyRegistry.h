#pragma once

#include "Platform/Kernel/ProcFile.h"

#include <QString>
#include <QVariantHash>

#include <optional>

// The machine's internal battery as the kernel's power-supply class shows it
// (<sysRoot>/class/power_supply), presented as a battery registry entry: one set of numbered and
// flagged properties per snapshot, under the names a battery service uses.
//
//   "CurrentCapacity"   charge in percent (capacity, else charge_now ÷ charge_full)
//   "MaxCapacity"       health in percent (full ÷ full design, from charge_* or energy_*)
//   "CycleCount"        cycle_count
//   "Voltage"           voltage_now in millivolts
//   "Amperage"          current_now in milliamperes, negative while discharging
//   "IsCharging"        status is Charging
//   "ExternalConnected" any mains or USB supply is online
//   "FullyCharged"      status is Full
//   "TimeRemaining"     minutes to empty while discharging, to full while charging
//
// A property whose files are absent is absent. Peripheral batteries (a mouse's, scope "Device")
// are not the machine's battery. The battery is looked up once, on first use.
class PowerSupplyRegistry {
public:
    explicit PowerSupplyRegistry(const QString& sysRoot = QStringLiteral("/sys"));
    PowerSupplyRegistry(const PowerSupplyRegistry&) = delete;
    PowerSupplyRegistry& operator=(const PowerSupplyRegistry&) = delete;

    bool hasBattery();
    // The battery's properties now (numbers as doubles, flags as bools); none without a battery.
    std::optional<QVariantHash> batteryProperties();
    // What the battery delivers while it discharges, in watts; none when it does not discharge
    // (plugged in, full, no battery) or the driver reports neither power nor current.
    std::optional<double> dischargeWatts();

private:
    void lookUp();
    std::optional<qint64> number(const char* name) const;
    bool externalConnected(bool& anyExternalSupply) const;

    QString m_root;
    QString m_battery; // directory of the battery; empty when there is none
    bool m_lookedUp = false;
    // Kept open for the frequent discharge reading.
    ProcFile m_status {QString()};
    ProcFile m_powerNow {QString()};
    ProcFile m_currentNow {QString()};
    ProcFile m_voltageNow {QString()};
};
