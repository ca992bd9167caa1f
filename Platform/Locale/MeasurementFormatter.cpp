#include "Platform/Locale/MeasurementFormatter.h"

#include <unicode/measunit.h>
#include <unicode/numberformatter.h>
#include <unicode/ulocdata.h>

#include <algorithm>
#include <optional>

namespace {

constexpr int kUnits = 5;

icu::MeasureUnit measureUnit(MeasurementFormatter::Unit unit)
{
    switch (unit) {
    case MeasurementFormatter::Unit::celsius:
        return icu::MeasureUnit::getCelsius();
    case MeasurementFormatter::Unit::fahrenheit:
        return icu::MeasureUnit::getFahrenheit();
    case MeasurementFormatter::Unit::watt:
        return icu::MeasureUnit::getWatt();
    case MeasurementFormatter::Unit::volt:
        return icu::MeasureUnit::getVolt();
    case MeasurementFormatter::Unit::none:
        break;
    }
    return {};
}

} // namespace

struct MeasurementFormatter::Formatters {
    icu::Locale locale;
    std::array<std::optional<icu::number::LocalizedNumberFormatter>, kUnits*(maxFraction + 1)> built;
};

MeasurementFormatter::MeasurementFormatter(const QString& locale)
    : m_locale(locale)
    , m_formatters(std::make_unique<Formatters>())
{
    m_formatters->locale = icu::Locale(locale.toLatin1().constData());
}

MeasurementFormatter::~MeasurementFormatter() = default;

QString MeasurementFormatter::format(double value, Unit unit, int fraction)
{
    fraction = std::clamp(fraction, 0, maxFraction);
    auto& slot = m_formatters->built[size_t(int(unit) * (maxFraction + 1) + fraction)];
    if (!slot) {
        auto formatter
            = icu::number::NumberFormatter::with().precision(icu::number::Precision::fixedFraction(fraction));
        if (unit != Unit::none)
            formatter = formatter.unit(measureUnit(unit)).unitWidth(UNUM_UNIT_WIDTH_SHORT);
        slot = formatter.locale(m_formatters->locale);
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = slot->formatDouble(value, status).toString(status);
    if (U_FAILURE(status))
        return QString::number(value, 'f', fraction);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

bool MeasurementFormatter::usesUSMeasurementSystem(const QString& locale)
{
    // Without a region there is no country whose customs to follow; the metric system is the
    // neutral choice (ICU would otherwise guess the United States for plain "en").
    const icu::Locale parsed(locale.toLatin1().constData());
    if (parsed.isBogus() || *parsed.getCountry() == '\0')
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const UMeasurementSystem system = ulocdata_getMeasurementSystem(parsed.getName(), &status);
    return U_SUCCESS(status) && system == UMS_US;
}
