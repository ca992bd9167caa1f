#include "VantorShared/Language/Units.h"

#include "Platform/Locale/MeasurementFormatter.h"
#include "Platform/Locale/SystemLocale.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <cmath>
#include <memory>

namespace Units {

TemperatureChoice temperatureChoice()
{
    const QString text = SharedSettings::store().stringForKey(SharedSettings::Key::temperatureUnit).value_or(QString());
    return fromRawValue<TemperatureChoice>(text).value_or(TemperatureChoice::system);
}

QString localeName()
{
    const QString language = SystemLocale::languageOf(AppLanguage::code());
    const QString region = SystemLocale::regionCode();
    return region.isEmpty() ? language : language + QLatin1Char('_') + region;
}

namespace {

// One formatter per thread, rebuilt only when the language or region changes.
MeasurementFormatter& formatter(const QString& locale)
{
    thread_local std::unique_ptr<MeasurementFormatter> cached;
    if (!cached || cached->locale() != locale)
        cached = std::make_unique<MeasurementFormatter>(locale);
    return *cached;
}

double converted(double celsius, TemperatureUnit unit)
{
    return unit == TemperatureUnit::fahrenheit ? celsius * 9.0 / 5.0 + 32.0 : celsius;
}

TemperatureUnit unitFor(const QString& locale)
{
    switch (temperatureChoice()) {
    case TemperatureChoice::celsius:
        return TemperatureUnit::celsius;
    case TemperatureChoice::fahrenheit:
        return TemperatureUnit::fahrenheit;
    case TemperatureChoice::system:
        break;
    }
    return MeasurementFormatter::usesUSMeasurementSystem(locale) ? TemperatureUnit::fahrenheit
                                                                 : TemperatureUnit::celsius;
}

} // namespace

TemperatureUnit temperatureUnit()
{
    return unitFor(localeName());
}

QString temperature(double celsius, int fraction)
{
    const QString locale = localeName();
    const TemperatureUnit unit = unitFor(locale);
    return formatter(locale).format(converted(celsius, unit),
        unit == TemperatureUnit::fahrenheit ? MeasurementFormatter::Unit::fahrenheit
                                            : MeasurementFormatter::Unit::celsius,
        fraction);
}

QString degrees(double celsius)
{
    const double value = std::round(converted(celsius, temperatureUnit()));
    // A broken sensor value must not take the menu bar down with it.
    if (!std::isfinite(value) || std::fabs(value) > 1e15)
        return QStringLiteral("—°");
    return QString::number(qint64(value)) + QStringLiteral("°");
}

QString watts(double value, int fraction)
{
    return formatter(localeName()).format(value, MeasurementFormatter::Unit::watt, fraction);
}

QString volts(double value)
{
    return formatter(localeName()).format(value, MeasurementFormatter::Unit::volt, 2);
}

QString rpm(double value)
{
    const QString number = formatter(localeName()).format(value, MeasurementFormatter::Unit::none, 0);
    return AppLanguage::string(QStringLiteral("%@ RPM")).replace(QStringLiteral("%@"), number);
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
