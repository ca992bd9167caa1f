#include "VantorAgent/Sensors/SensorCategory.h"

#include "VantorShared/Language/AppLanguage.h"

QString rawValue(SensorCategory category)
{
    switch (category) {
    case SensorCategory::cpu:
        return QStringLiteral("cpu");
    case SensorCategory::gpu:
        return QStringLiteral("gpu");
    case SensorCategory::memory:
        return QStringLiteral("memory");
    case SensorCategory::storage:
        return QStringLiteral("storage");
    case SensorCategory::battery:
        return QStringLiteral("battery");
    case SensorCategory::ambient:
        return QStringLiteral("ambient");
    case SensorCategory::other:
        break;
    }
    return QStringLiteral("other");
}

QString title(SensorCategory category)
{
    switch (category) {
    case SensorCategory::cpu:
        return AppLanguage::string(QStringLiteral("CPU"));
    case SensorCategory::gpu:
        return AppLanguage::string(QStringLiteral("GPU"));
    case SensorCategory::memory:
        return AppLanguage::string(QStringLiteral("Memory"));
    case SensorCategory::storage:
        return AppLanguage::string(QStringLiteral("Storage"));
    case SensorCategory::battery:
        return AppLanguage::string(QStringLiteral("Battery"));
    case SensorCategory::ambient:
        return AppLanguage::string(QStringLiteral("Ambient"));
    case SensorCategory::other:
        break;
    }
    return AppLanguage::string(QStringLiteral("Other"));
}

QString icon(SensorCategory category)
{
    switch (category) {
    case SensorCategory::cpu:
        return QStringLiteral("cpu");
    case SensorCategory::gpu:
        return QStringLiteral("cube.transparent");
    case SensorCategory::memory:
        return QStringLiteral("memorychip");
    case SensorCategory::storage:
        return QStringLiteral("internaldrive");
    case SensorCategory::battery:
        return QStringLiteral("battery.100");
    case SensorCategory::ambient:
        return QStringLiteral("wind");
    case SensorCategory::other:
        break;
    }
    return QStringLiteral("thermometer.medium");
}

QString noReadableTemperaturesText()
{
    return AppLanguage::string(QStringLiteral("No readable temperature sensors"));
}
