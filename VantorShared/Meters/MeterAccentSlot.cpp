#include "VantorShared/Meters/MeterAccentSlot.h"

#include "VantorShared/Settings/SharedSettings.h"

QString key(MeterAccentSlot slot)
{
    switch (slot) {
    case MeterAccentSlot::cpu:
        return SharedSettings::Key::cpuAccent;
    case MeterAccentSlot::cpuFastCores:
        return SharedSettings::Key::cpuFastCoreAccent;
    case MeterAccentSlot::memory:
        return SharedSettings::Key::memoryAccent;
    case MeterAccentSlot::storage:
        return SharedSettings::Key::storageAccent;
    }
    return {};
}
