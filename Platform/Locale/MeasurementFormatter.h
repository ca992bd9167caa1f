#pragma once

#include <QString>

#include <array>
#include <memory>

// Locale-aware text for measurements and plain numbers (ICU): the value in the unit given, never
// converted to the locale's preferred unit, with the abbreviated unit symbol and exactly the
// requested number of fraction digits. Formatters are built on first use and kept, so formatting
// on the refresh path does not rebuild them. Use one instance per thread.
class MeasurementFormatter {
public:
    enum class Unit { none, celsius, fahrenheit, watt, volt };
    static constexpr int maxFraction = 6;

    // `locale` is an ICU locale name such as "de_AT" or "en".
    explicit MeasurementFormatter(const QString& locale);
    ~MeasurementFormatter();
    MeasurementFormatter(const MeasurementFormatter&) = delete;
    MeasurementFormatter& operator=(const MeasurementFormatter&) = delete;

    QString locale() const { return m_locale; }
    // `fraction` is clamped to 0…maxFraction. Unit::none gives a plain number with grouping.
    QString format(double value, Unit unit, int fraction);

    // Whether the locale's region measures in US units (Fahrenheit).
    static bool usesUSMeasurementSystem(const QString& locale);

private:
    struct Formatters;
    QString m_locale;
    std::unique_ptr<Formatters> m_formatters;
};
