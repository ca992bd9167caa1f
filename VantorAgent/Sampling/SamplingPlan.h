#pragma once

#include "VantorShared/Meters/MenuBarReadout.h"
#include "VantorShared/System/MonitorSection.h"

#include <QSet>

// What one refresh cycle has to read beyond the cheap counters, decided from what the user can
// see: the menu bar items shown with their readouts, and the popovers that are open.
struct SamplingPlan {
    // How much of the hardware sensor set to read; ordered, so a wider scope covers a narrower.
    enum class SMCScope { none = 0, menuBar = 1, full = 2 };

    SamplingPlan() = default;
    SamplingPlan(const QSet<MonitorSection>& openPopovers, const QSet<MonitorSection>& visibleItems,
        CPUReadout cpuReadout, SensorsReadout sensorsReadout);

    bool samplesProcesses = false;
    bool samplesGPU = false;
    bool samplesBattery = false;
    int storageEvery = 15; // query the volume on every n-th cycle
    SMCScope smcScope = SMCScope::none;

    bool operator==(const SamplingPlan&) const = default;
};

inline bool operator<(SamplingPlan::SMCScope a, SamplingPlan::SMCScope b)
{
    return int(a) < int(b);
}
