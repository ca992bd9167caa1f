#include "VantorShared/Panels/PanelFormat.h"

#include "VantorShared/Language/Units.h"

#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>
#include <unicode/numberformatter.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

QString fromUnicode(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

icu::Locale icuLocale(const QString& name)
{
    return icu::Locale(name.toLatin1().constData());
}

// Per thread: the locale the formatters were made for, and the formatters by kind.
struct Formatters {
    QString locale;
    std::optional<icu::number::LocalizedNumberFormatter> percent;
    std::map<int, icu::number::LocalizedNumberFormatter> numbers;
    std::unique_ptr<icu::MeasureFormat> durations;
    // The last uptime text: it changes once a minute while panels ask every second.
    qint64 lastTotalMinutes = -1;
    QString lastDaysHoursMinutes;
};

Formatters& formatters(const QString& locale)
{
    thread_local Formatters cached;
    if (cached.locale != locale) {
        cached.percent.reset();
        cached.numbers.clear();
        cached.durations.reset();
        cached.lastTotalMinutes = -1;
        cached.locale = locale;
    }
    return cached;
}

QString duration(const std::vector<std::pair<int, icu::MeasureUnit*>>& parts, const QString& locale)
{
    // The measures adopt their units, so they are made first: nothing leaks on any way out.
    std::vector<icu::Measure> measures;
    measures.reserve(parts.size());
    for (const auto& [value, unit] : parts) {
        UErrorCode status = U_ZERO_ERROR;
        measures.emplace_back(icu::Formattable(value), unit, status);
        if (U_FAILURE(status))
            return {};
    }
    Formatters& f = formatters(locale);
    UErrorCode status = U_ZERO_ERROR;
    if (!f.durations) {
        f.durations = std::make_unique<icu::MeasureFormat>(icuLocale(locale), UMEASFMT_WIDTH_NARROW, status);
        if (U_FAILURE(status)) {
            f.durations.reset();
            return {};
        }
    }
    icu::UnicodeString text;
    icu::FieldPosition position;
    f.durations->formatMeasures(measures.data(), int(measures.size()), text, position, status);
    return U_FAILURE(status) ? QString() : fromUnicode(text);
}

} // namespace

namespace PanelFormat {

QString percent(int whole, const QString& locale)
{
    Formatters& f = formatters(locale);
    if (!f.percent)
        f.percent = icu::number::NumberFormatter::with()
                        .unit(icu::NoUnit::percent())
                        .precision(icu::number::Precision::integer())
                        .locale(icuLocale(locale));
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = f.percent->formatInt(whole, status).toString(status);
    return U_FAILURE(status) ? QString::number(whole) + QLatin1Char('%') : fromUnicode(text);
}

QString percent(int whole)
{
    return percent(whole, Units::localeName());
}

QString percentOfFraction(double fraction)
{
    if (!std::isfinite(fraction))
        fraction = 0;
    return percent(int(std::lround(std::clamp(fraction, 0.0, 1.0) * 100)));
}

QString number(double value, int fraction, const QString& locale)
{
    fraction = std::clamp(fraction, 0, 6);
    Formatters& f = formatters(locale);
    auto found = f.numbers.find(fraction);
    if (found == f.numbers.end())
        found = f.numbers
                    .emplace(fraction,
                        icu::number::NumberFormatter::with()
                            .precision(icu::number::Precision::fixedFraction(fraction))
                            .locale(icuLocale(locale)))
                    .first;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = found->second.formatDouble(value, status).toString(status);
    return U_FAILURE(status) ? QString::number(value, 'f', fraction) : fromUnicode(text);
}

QString number(double value, int fraction)
{
    return number(value, fraction, Units::localeName());
}

QString daysHoursMinutes(double seconds, const QString& locale)
{
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const auto totalMinutes = qint64(std::min(seconds / 60.0, double(std::numeric_limits<int>::max())));
    Formatters& f = formatters(locale);
    if (totalMinutes == f.lastTotalMinutes)
        return f.lastDaysHoursMinutes;
    const int days = int(totalMinutes / (24 * 60));
    const int hours = int(totalMinutes / 60 % 24);
    const int minutes = int(totalMinutes % 60);
    std::vector<std::pair<int, icu::MeasureUnit*>> parts;
    UErrorCode status = U_ZERO_ERROR;
    if (days > 0)
        parts.emplace_back(days, icu::MeasureUnit::createDay(status));
    if (hours > 0)
        parts.emplace_back(hours, icu::MeasureUnit::createHour(status));
    if (minutes > 0 || parts.empty())
        parts.emplace_back(minutes, icu::MeasureUnit::createMinute(status));
    QString text = duration(parts, locale);
    if (!text.isEmpty()) {
        f.lastTotalMinutes = totalMinutes;
        f.lastDaysHoursMinutes = text;
    }
    return text;
}

QString daysHoursMinutes(double seconds)
{
    return daysHoursMinutes(seconds, Units::localeName());
}

QString hoursMinutes(int minutes)
{
    minutes = std::max(0, minutes);
    std::vector<std::pair<int, icu::MeasureUnit*>> parts;
    UErrorCode status = U_ZERO_ERROR;
    if (minutes / 60 > 0)
        parts.emplace_back(minutes / 60, icu::MeasureUnit::createHour(status));
    if (minutes % 60 > 0 || parts.empty())
        parts.emplace_back(minutes % 60, icu::MeasureUnit::createMinute(status));
    return duration(parts, Units::localeName());
}

QString substitute(const QString& format, const QStringList& arguments)
{
    QString result;
    result.reserve(format.size() + 32);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            result.append(c);
            continue;
        }
        if (format.at(i + 1) == QLatin1Char('%')) {
            result.append(QLatin1Char('%'));
            ++i;
            continue;
        }
        if (format.at(i + 1) == QLatin1Char('@')) {
            result.append(next < arguments.size() ? arguments.at(next) : QString());
            ++next;
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < format.size() && format.at(j).isDigit())
            ++j;
        if (j > i + 1 && j + 1 < format.size() && format.at(j) == QLatin1Char('$')
            && format.at(j + 1) == QLatin1Char('@')) {
            const qsizetype index = format.mid(i + 1, j - i - 1).toLongLong() - 1;
            result.append(index >= 0 && index < arguments.size() ? arguments.at(index) : QString());
            i = j + 1;
            continue;
        }
        result.append(c);
    }
    return result;
}

} // namespace PanelFormat
