#include "VantorShared/Meters/ReadoutSources.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <type_traits>

namespace {

ReadoutSources& shared()
{
    static ReadoutSources sources;
    return sources;
}

quint64& sharedGeneration()
{
    static quint64 generation = 0;
    return generation;
}

template <typename E> void publish(QStringList& texts, MonitorSection section, const ReadoutSources& sources)
{
    for (const E readout : EnumCases<E>::all) {
        if (int(readout) == 0) // off: nothing to supply
            continue;
        bool supplied = false;
        if constexpr (std::is_same_v<E, SensorsReadout>)
            supplied = sources.supplies(readout);
        else
            supplied = sources.supports(readout);
        if (supplied)
            texts.append(key(section) + QLatin1Char('.') + rawValue(readout));
    }
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

bool ReadoutSources::supports(MemoryReadout readout) const
{
    return readout != MemoryReadout::swap || swap;
}

bool ReadoutSources::supports(StorageReadout) const
{
    return true;
}

bool ReadoutSources::supplies(SensorsReadout readout) const
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

bool ReadoutSources::supports(SensorsReadout readout) const
{
    if (readout == SensorsReadout::power)
        return systemPower && systemPowerNow;
    return supplies(readout);
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

bool ReadoutSources::hasSource(MonitorSection section) const
{
    if (section != MonitorSection::sensors)
        return true;
    return systemPower || hottestTemperature || gpuTemperature || fanSpeed;
}

QStringList ReadoutSources::published() const
{
    QStringList texts;
    publish<CPUReadout>(texts, MonitorSection::cpu, *this);
    publish<MemoryReadout>(texts, MonitorSection::memory, *this);
    publish<StorageReadout>(texts, MonitorSection::storage, *this);
    publish<SensorsReadout>(texts, MonitorSection::sensors, *this);
    return texts;
}

ReadoutSources ReadoutSources::fromPublished(const QStringList& texts)
{
    const auto has = [&texts](MonitorSection section, const QString& readout) {
        return texts.contains(key(section) + QLatin1Char('.') + readout);
    };
    ReadoutSources sources;
    sources.cpuTemperature = has(MonitorSection::cpu, rawValue(CPUReadout::temperature));
    sources.cpuPower = has(MonitorSection::cpu, rawValue(CPUReadout::power));
    sources.swap = has(MonitorSection::memory, rawValue(MemoryReadout::swap));
    sources.systemPower = has(MonitorSection::sensors, rawValue(SensorsReadout::power));
    sources.hottestTemperature = has(MonitorSection::sensors, rawValue(SensorsReadout::hottest));
    sources.gpuTemperature = has(MonitorSection::sensors, rawValue(SensorsReadout::gpu));
    sources.fanSpeed = has(MonitorSection::sensors, rawValue(SensorsReadout::fan));
    return sources;
}

const ReadoutSources& ReadoutSources::current()
{
    return shared();
}

void ReadoutSources::setCurrent(const ReadoutSources& sources)
{
    if (shared() == sources)
        return;
    shared() = sources;
    ++sharedGeneration();
}

void ReadoutSources::reset()
{
    setCurrent(ReadoutSources());
}

quint64 ReadoutSources::generation()
{
    return sharedGeneration();
}

bool ReadoutSources::adoptPublished()
{
    const quint64 before = generation();
    const QVariant stored = SharedSettings::store().persistentObjectForKey(SharedSettings::Key::availableReadouts);
    // Only a list is an answer; anything else (absent, hand-edited) means "not known".
    if (stored.typeId() == QMetaType::QStringList || stored.typeId() == QMetaType::QVariantList)
        setCurrent(fromPublished(stored.toStringList()));
    else
        reset();
    return generation() != before;
}
