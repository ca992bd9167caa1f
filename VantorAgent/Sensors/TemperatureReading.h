#pragma once

#include "VantorAgent/Sensors/SensorCategory.h"

#include <QString>

// One temperature sensor; its key is also its identity.
struct TemperatureReading {
    QString key;
    SensorCategory category = SensorCategory::other;
    double celsius = 0;
    bool operator==(const TemperatureReading&) const = default;
};

// The hottest reading of one category.
struct SensorGroup {
    SensorCategory category = SensorCategory::other;
    double celsius = 0;
    bool operator==(const SensorGroup&) const = default;
};
