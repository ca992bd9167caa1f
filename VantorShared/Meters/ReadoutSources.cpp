#include "VantorShared/Meters/ReadoutSources.h"

namespace {

ReadoutSources& shared()
{
    static ReadoutSources sources;
    return sources;
}

} // namespace

bool ReadoutSources::supports(CPUReadout readout) const
{
    switch (readout) {
    case CPUReadout::temperature:
        return cpuTemperature;
    case CPUReadout::power:
        return cpuPower;
    case CPUReadout::off:
    case CPUReadout::usage:
        break;
    }
    return true;
}

bool ReadoutSources::supports(SensorsReadout readout) const
{
    switch (readout) {
    case SensorsReadout::power:
        return systemPower;
    case SensorsReadout::hottest:
        return hottestTemperature;
    case SensorsReadout::gpu:
        return gpuTemperature;
    case SensorsReadout::fan:
        return fanSpeed;
    case SensorsReadout::off:
        break;
    }
    return true;
}

CPUReadout ReadoutSources::available(CPUReadout readout) const
{
    return supports(readout) ? readout : CPUReadout::usage;
}

SensorsReadout ReadoutSources::available(SensorsReadout readout) const
{
    if (supports(readout))
        return readout;
    return hottestTemperature ? SensorsReadout::hottest : SensorsReadout::off;
}

const ReadoutSources& ReadoutSources::current()
{
    return shared();
}

void ReadoutSources::setCurrent(const ReadoutSources& sources)
{
    shared() = sources;
}

void ReadoutSources::reset()
{
    shared() = ReadoutSources();
}
