#include "VantorShared/Meters/MenuBarReadout.h"

#include "VantorShared/Language/AppLanguage.h"

QString rawValue(CPUReadout readout)
{
    switch (readout) {
    case CPUReadout::off:
        return QStringLiteral("off");
    case CPUReadout::usage:
        return QStringLiteral("usage");
    case CPUReadout::temperature:
        return QStringLiteral("temperature");
    case CPUReadout::power:
        return QStringLiteral("power");
    }
    return {};
}

QString rawValue(MemoryReadout readout)
{
    switch (readout) {
    case MemoryReadout::off:
        return QStringLiteral("off");
    case MemoryReadout::usage:
        return QStringLiteral("usage");
    case MemoryReadout::pressure:
        return QStringLiteral("pressure");
    case MemoryReadout::swap:
        return QStringLiteral("swap");
    }
    return {};
}

QString rawValue(StorageReadout readout)
{
    switch (readout) {
    case StorageReadout::off:
        return QStringLiteral("off");
    case StorageReadout::usage:
        return QStringLiteral("usage");
    case StorageReadout::free:
        return QStringLiteral("free");
    }
    return {};
}

QString rawValue(SensorsReadout readout)
{
    switch (readout) {
    case SensorsReadout::off:
        return QStringLiteral("off");
    case SensorsReadout::power:
        return QStringLiteral("power");
    case SensorsReadout::hottest:
        return QStringLiteral("hottest");
    case SensorsReadout::gpu:
        return QStringLiteral("gpu");
    case SensorsReadout::fan:
        return QStringLiteral("fan");
    }
    return {};
}

QString title(CPUReadout readout)
{
    switch (readout) {
    case CPUReadout::off:
        return AppLanguage::string(QStringLiteral("None"));
    case CPUReadout::usage:
        return AppLanguage::string(QStringLiteral("Usage"));
    case CPUReadout::temperature:
        return AppLanguage::string(QStringLiteral("Temperature"));
    case CPUReadout::power:
        return AppLanguage::string(QStringLiteral("Power"));
    }
    return {};
}

QString title(MemoryReadout readout)
{
    switch (readout) {
    case MemoryReadout::off:
        return AppLanguage::string(QStringLiteral("None"));
    case MemoryReadout::usage:
        return AppLanguage::string(QStringLiteral("Usage"));
    case MemoryReadout::pressure:
        return AppLanguage::string(QStringLiteral("Pressure"));
    case MemoryReadout::swap:
        return AppLanguage::string(QStringLiteral("Swap"));
    }
    return {};
}

QString title(StorageReadout readout)
{
    switch (readout) {
    case StorageReadout::off:
        return AppLanguage::string(QStringLiteral("None"));
    case StorageReadout::usage:
        return AppLanguage::string(QStringLiteral("Usage"));
    case StorageReadout::free:
        return AppLanguage::string(QStringLiteral("Free"));
    }
    return {};
}

QString title(SensorsReadout readout)
{
    switch (readout) {
    case SensorsReadout::off:
        return AppLanguage::string(QStringLiteral("None"));
    case SensorsReadout::power:
        return AppLanguage::string(QStringLiteral("Power"));
    case SensorsReadout::hottest:
        return AppLanguage::string(QStringLiteral("Hottest"));
    case SensorsReadout::gpu:
        return AppLanguage::string(QStringLiteral("GPU"));
    case SensorsReadout::fan:
        return AppLanguage::string(QStringLiteral("Fan"));
    }
    return {};
}

double textWidth(CPUReadout readout)
{
    switch (readout) {
    case CPUReadout::off:
        return 0;
    case CPUReadout::usage:
    case CPUReadout::power:
        return 33;
    case CPUReadout::temperature:
        return 27;
    }
    return 0;
}

double textWidth(MemoryReadout readout)
{
    switch (readout) {
    case MemoryReadout::off:
        return 0;
    case MemoryReadout::usage:
    case MemoryReadout::pressure:
        return 33;
    case MemoryReadout::swap:
        return 30;
    }
    return 0;
}

double textWidth(StorageReadout readout)
{
    switch (readout) {
    case StorageReadout::off:
        return 0;
    case StorageReadout::usage:
        return 33;
    case StorageReadout::free:
        return 30;
    }
    return 0;
}

double textWidth(SensorsReadout readout)
{
    switch (readout) {
    case SensorsReadout::off:
        return 0;
    case SensorsReadout::power:
        return 33;
    case SensorsReadout::hottest:
    case SensorsReadout::gpu:
        return 27;
    case SensorsReadout::fan:
        return 29;
    }
    return 0;
}
