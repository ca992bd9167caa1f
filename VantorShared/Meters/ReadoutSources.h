#pragma once

#include "VantorShared/Meters/MenuBarReadout.h"
#include "VantorShared/System/MonitorSection.h"

#include <QStringList>

// Which readouts this machine can give a number for. The agent learns it once its sensors are
// known and publishes it in the shared store; the settings app adopts what was published. Until
// anything is known every readout counts as available.
//
// A meter whose readout is only the registered default shows the nearest available one instead
// (see MeterSettings), so a fresh install never shows an empty readout; a readout the user chose
// is kept as the setting, but one this machine has no source for takes no room beside the meter.
struct ReadoutSources {
    bool cpuTemperature = true;
    bool cpuPower = true;
    bool gpuTemperature = true;
    bool hottestTemperature = true;
    bool fanSpeed = true;
    bool systemPower = true;
    // Swap is configured (now, or was while the agent ran).
    bool swap = true;
    // The system power has a figure at the moment. A battery's draw has none while the machine
    // runs on mains; the meter then falls back as for a missing source instead of leaving a gap.
    // Known only to the agent and never published.
    bool systemPowerNow = true;

    // Whether a meter can show the readout now.
    bool supports(CPUReadout readout) const;
    bool supports(MemoryReadout readout) const;
    bool supports(StorageReadout readout) const;
    bool supports(SensorsReadout readout) const;
    // Whether the machine can supply the readout at all (the published answer).
    bool supplies(SensorsReadout readout) const;
    // The readout to show in place of an unsupported default: cpu falls back to its usage; the
    // sensors meter to the hottest temperature, else to none (and no gap).
    CPUReadout available(CPUReadout readout) const;
    SensorsReadout available(SensorsReadout readout) const;
    // False for a section that has no readout to give at all (the sensors of a machine without
    // temperature, fan or power sources): its meter would be an icon with nothing beside it.
    bool hasSource(MonitorSection section) const;

    // The published form: "<section>.<readout>" for every readout the machine can supply
    // ("cpu.usage", "sensors.power", …; "off" is never listed), in the readouts' order.
    QStringList published() const;
    // The reverse; texts it does not know are ignored.
    static ReadoutSources fromPublished(const QStringList& texts);

    bool operator==(const ReadoutSources&) const = default;

    // What this process knows; main thread only.
    static const ReadoutSources& current();
    static void setCurrent(const ReadoutSources& sources);
    // Everything available again, as before anything was learnt.
    static void reset();
    // Grows with every change of current(), so that snapshots built on it know to look again.
    static quint64 generation();
    // Adopts what the agent published in the shared store (everything available while nothing is
    // published); the settings app's view of this machine. True when current() changed.
    static bool adoptPublished();
};
