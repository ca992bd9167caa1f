#pragma once

#include "VantorAgent/Sensors/BatteryInfo.h"
#include "VantorAgent/Sensors/FanReading.h"
#include "VantorAgent/Sensors/PowerReading.h"
#include "VantorAgent/Sensors/TemperatureReading.h"

#include <QList>

#include <optional>

// What one background sensor read hands back to the main thread, whole.
struct SensorReadings {
    QList<TemperatureReading> temperatures;
    QList<FanReading> fans;
    QList<PowerReading> power;
    std::optional<BatteryInfo> battery;
};
