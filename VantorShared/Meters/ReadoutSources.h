#pragma once

#include "VantorShared/Meters/MenuBarReadout.h"

// Which readouts this machine can give a number for. The agent learns it once its sensors are
// known; until then, and in the settings app, every readout counts as available. A meter whose
// readout is only the registered default shows the nearest available one instead (see
// MeterSettings), so a fresh install never shows an empty readout; a readout the user chose is
// kept either way.
struct ReadoutSources {
    bool cpuTemperature = true;
    bool cpuPower = true;
    bool gpuTemperature = true;
    bool hottestTemperature = true;
    bool fanSpeed = true;
    bool systemPower = true;

    bool supports(CPUReadout readout) const;
    bool supports(SensorsReadout readout) const;
    // The readout to show in place of an unsupported default: cpu falls back to its usage; the
    // sensors meter to the hottest temperature, else to none (and no gap).
    CPUReadout available(CPUReadout readout) const;
    SensorsReadout available(SensorsReadout readout) const;

    bool operator==(const ReadoutSources&) const = default;

    // What this process knows; main thread only.
    static const ReadoutSources& current();
    static void setCurrent(const ReadoutSources& sources);
    // Everything available again, as before anything was learnt.
    static void reset();
};
