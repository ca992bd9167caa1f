#include "VantorAgent/Sampling/SamplingPlan.h"

SamplingPlan::SamplingPlan(const QSet<MonitorSection>& openPopovers, const QSet<MonitorSection>& visibleItems,
    CPUReadout cpuReadout, SensorsReadout sensorsReadout)
{
    using S = MonitorSection;
    const auto seen = [&](S section) { return visibleItems.contains(section) || openPopovers.contains(section); };

    samplesProcesses = seen(S::cpu) || seen(S::memory) || seen(S::storage);
    samplesGPU = openPopovers.contains(S::cpu) || openPopovers.contains(S::sensors);
    samplesBattery = openPopovers.contains(S::sensors);
    storageEvery = openPopovers.contains(S::storage) ? 3 : 15;

    if (openPopovers.contains(S::sensors))
        smcScope = SMCScope::full;
    else if (visibleItems.contains(S::sensors) && sensorsReadout == SensorsReadout::hottest)
        smcScope = SMCScope::full;
    else if (visibleItems.contains(S::cpu)
        && (cpuReadout == CPUReadout::temperature || cpuReadout == CPUReadout::power))
        smcScope = SMCScope::menuBar;
    else if (visibleItems.contains(S::sensors) && sensorsReadout != SensorsReadout::off)
        smcScope = SMCScope::menuBar;
    else if (openPopovers.contains(S::cpu))
        smcScope = SMCScope::menuBar;
    else
        smcScope = SMCScope::none;
}
