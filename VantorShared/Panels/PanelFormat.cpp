#include "VantorShared/Panels/PanelFormat.h"

#include "VantorShared/Language/Units.h"

#include <unicode/listformatter.h>
#include <unicode/measunit.h>
#include <unicode/numberformatter.h>

#include <algorithm>
#include <array>
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
    // Whole percentages as made, 0 to 100: panels show the same few every second.
    std::array<QString, 101> percentTexts;
    std::map<int, icu::number::LocalizedNumberFormatter> numbers;
    // Durations: each unit on its own, narrow ("3h"), joined as the locale joins units. This
    // gives the text a measure format would, with less of ICU's data and code kept resident.
    std::optional<icu::number::LocalizedNumberFormatter> durationUnits[3];
    std::unique_ptr<icu::ListFormatter> unitList;
    // The last uptime text: it changes once a minute while panels ask every second.
    qint64 lastTotalMinutes = -1;
    QString lastDaysHoursMinutes;
};

Formatters& formatters(const QString& locale)
{
    thread_local Formatters cached;
    if (cached.locale != locale) {
        cached.percent.reset();
        cached.percentTexts.fill(QString());
        cached.numbers.clear();
        for (auto& unit : cached.durationUnits)
            unit.reset();
        cached.unitList.reset();
        cached.lastTotalMinutes = -1;
        cached.locale = locale;
    }
    return cached;
}

enum DurationUnit { day, hour, minute };

// `parts` are (value, unit) pairs, largest unit first; empty text when ICU fails.
QString duration(const std::vector<std::pair<int, DurationUnit>>& parts, const QString& locale)
{
    Formatters& f = formatters(locale);
    UErrorCode status = U_ZERO_ERROR;
    if (!f.unitList) {
        f.unitList.reset(
            icu::ListFormatter::createInstance(icuLocale(locale), ULISTFMT_TYPE_UNITS, ULISTFMT_WIDTH_NARROW, status));
        if (U_FAILURE(status) || !f.unitList) {
            f.unitList.reset();
            return {};
        }
    }
    icu::UnicodeString texts[3];
    int count = 0;
    for (const auto& [value, unit] : parts) {
        auto& formatter = f.durationUnits[unit];
        if (!formatter) {
            const icu::MeasureUnit measure = unit == day ? icu::MeasureUnit::getDay()
                : unit == hour                           ? icu::MeasureUnit::getHour()
                                                         : icu::MeasureUnit::getMinute();
            formatter = icu::number::NumberFormatter::with()
                            .unit(measure)
                            .unitWidth(UNUM_UNIT_WIDTH_NARROW)
                            .locale(icuLocale(locale));
        }
        texts[count++] = formatter->formatInt(value, status).toString(status);
        if (U_FAILURE(status))
            return {};
    }
    icu::UnicodeString text;
    f.unitList->format(texts, count, text, status);
    return U_FAILURE(status) ? QString() : fromUnicode(text);
}

} // namespace

namespace PanelFormat {

QString percent(int whole, const QString& locale)
{
    Formatters& f = formatters(locale);
    QString* kept = whole >= 0 && whole <= 100 ? &f.percentTexts[size_t(whole)] : nullptr;
    if (kept && !kept->isNull())
        return *kept;
    if (!f.percent)
        f.percent = icu::number::NumberFormatter::with()
                        .unit(icu::NoUnit::percent())
                        .precision(icu::number::Precision::integer())
                        .locale(icuLocale(locale));
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = f.percent->formatInt(whole, status).toString(status);
    if (U_FAILURE(status))
        return QString::number(whole) + QLatin1Char('%');
    const QString result = fromUnicode(text);
    if (kept)
        *kept = result;
    return result;
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
    std::vector<std::pair<int, DurationUnit>> parts;
    if (days > 0)
        parts.emplace_back(days, day);
    if (hours > 0)
        parts.emplace_back(hours, hour);
    if (minutes > 0 || parts.empty())
        parts.emplace_back(minutes, minute);
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
    std::vector<std::pair<int, DurationUnit>> parts;
    if (minutes / 60 > 0)
        parts.emplace_back(minutes / 60, hour);
    if (minutes % 60 > 0 || parts.empty())
        parts.emplace_back(minutes % 60, minute);
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
