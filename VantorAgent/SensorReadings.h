#pragma once

#include "BatteryInfo.h"
#include "FanReading.h"
#include "PowerReading.h"
#include "TemperatureReading.h"

#include <QList>

#include <optional>

// What one background sensor read hands back to the main thread, whole.
struct SensorReadings {
    QList<TemperatureReading> temperatures;
    QList<FanReading> fans;
    QList<PowerReading> power;
    std::optional<BatteryInfo> battery;
};
