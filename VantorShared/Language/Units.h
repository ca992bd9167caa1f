#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QString>

#include <array>

// Display text for physical readings. Readings stay in base units (Celsius, watts, volts,
// revolutions per minute) and are converted only here.
namespace Units {

enum class TemperatureChoice { system, celsius, fahrenheit };
enum class TemperatureUnit { celsius, fahrenheit };

// The "temperatureUnit" setting; system when absent or unrecognised.
TemperatureChoice temperatureChoice();
// The unit temperatures are shown in, evaluated on every call.
TemperatureUnit temperatureUnit();
// `celsius` converted to the unit, with exactly `fraction` fraction digits and the unit symbol.
QString temperature(double celsius, int fraction);
// `celsius` converted to the unit, rounded, followed by "°" (no unit letter).
QString degrees(double celsius);
QString watts(double value, int fraction);
QString volts(double value);
QString rpm(double value);

QString rawValue(TemperatureChoice choice);

// The formatting locale: the language of AppLanguage::code() with the system's region ("de_AT").
QString localeName();

} // namespace Units

template <> struct EnumCases<Units::TemperatureChoice> {
    static constexpr std::array<Units::TemperatureChoice, 3> all {
        Units::TemperatureChoice::system, Units::TemperatureChoice::celsius, Units::TemperatureChoice::fahrenheit};
};
