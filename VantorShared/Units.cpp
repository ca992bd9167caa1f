#include "Units.h"

#include "AppLanguage.h"
#include "PreferencesDomain.h"
#include "SharedSettings.h"

#include <QLocale>

#include <cmath>

// Placeholder formatting until the locale-aware formatter lands.
namespace Units {

TemperatureChoice temperatureChoice()
{
    const QString text = SharedSettings::store().stringForKey(SharedSettings::Key::temperatureUnit).value_or(QString());
    return fromRawValue<TemperatureChoice>(text).value_or(TemperatureChoice::system);
}

TemperatureUnit temperatureUnit()
{
    switch (temperatureChoice()) {
    case TemperatureChoice::celsius:
        return TemperatureUnit::celsius;
    case TemperatureChoice::fahrenheit:
        return TemperatureUnit::fahrenheit;
    case TemperatureChoice::system:
        break;
    }
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem ? TemperatureUnit::fahrenheit
                                                                              : TemperatureUnit::celsius;
}

namespace {
double converted(double celsius)
{
    return temperatureUnit() == TemperatureUnit::fahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius;
}
} // namespace

QString temperature(double celsius, int fraction)
{
    const bool f = temperatureUnit() == TemperatureUnit::fahrenheit;
    return QString::number(converted(celsius), 'f', fraction) + (f ? QStringLiteral("°F") : QStringLiteral("°C"));
}

QString degrees(double celsius)
{
    const double value = std::round(converted(celsius));
    if (!std::isfinite(value) || std::fabs(value) > 1e9)
        return QStringLiteral("—°");
    return QString::number(qint64(value)) + QStringLiteral("°");
}

QString watts(double value, int fraction)
{
    return QString::number(value, 'f', fraction) + QStringLiteral(" W");
}
QString volts(double value)
{
    return QString::number(value, 'f', 2) + QStringLiteral(" V");
}
QString rpm(double value)
{
    return AppLanguage::string(QStringLiteral("%@ RPM"))
        .replace(QStringLiteral("%@"), QString::number(std::round(value), 'f', 0));
}

QString rawValue(TemperatureChoice choice)
{
    switch (choice) {
    case TemperatureChoice::system:
        return QStringLiteral("system");
    case TemperatureChoice::celsius:
        return QStringLiteral("celsius");
    case TemperatureChoice::fahrenheit:
        return QStringLiteral("fahrenheit");
    }
    return {};
}

} // namespace Units
