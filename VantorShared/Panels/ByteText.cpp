#include "VantorShared/Panels/ByteText.h"

#include "VantorShared/Language/Units.h"

#include <unicode/measunit.h>
#include <unicode/numberformatter.h>

#include <array>
#include <cmath>
#include <limits>

namespace {

// Byte, kilobyte … petabyte; the unit labels are the same in both counting styles (a memory
// "GB" is 1024³ bytes), as people are used to from file managers and system monitors.
icu::MeasureUnit unitAt(int power)
{
    switch (power) {
    case 0:
        return icu::MeasureUnit::getByte();
    case 1:
        return icu::MeasureUnit::getKilobyte();
    case 2:
        return icu::MeasureUnit::getMegabyte();
    case 3:
        return icu::MeasureUnit::getGigabyte();
    case 4:
        return icu::MeasureUnit::getTerabyte();
    default:
        return icu::MeasureUnit::getPetabyte();
    }
}

// Larger units carry more fraction digits, so that the figure keeps about three significant
// digits; bytes and kilobytes are whole.
int fractionDigits(int power)
{
    return power <= 1 ? 0 : power == 2 ? 1 : 2;
}

struct Cached {
    QString locale;
    std::array<std::optional<icu::number::LocalizedNumberFormatter>, 6> formatters;
};

} // namespace

namespace ByteText {

QString format(qint64 bytes, CountStyle style, const QString& locale)
{
    const double base = style == CountStyle::file ? 1000.0 : 1024.0;
    double value = double(bytes);
    int power = 0;
    while (std::fabs(value) >= base && power < 5) {
        value /= base;
        ++power;
    }
    // Rounding may carry the figure up to the next unit ("1000 KB" reads as "1 MB").
    const double scale = std::pow(10.0, fractionDigits(power));
    if (power < 5 && std::fabs(std::round(value * scale) / scale) >= base) {
        value /= base;
        ++power;
    }

    thread_local Cached cached;
    if (cached.locale != locale) {
        cached = Cached {};
        cached.locale = locale;
    }
    auto& slot = cached.formatters[size_t(power)];
    if (!slot)
        slot = icu::number::NumberFormatter::with()
                   .unit(unitAt(power))
                   // "bytes" spelled out reads better than the short "byte" ("0 byte").
                   .unitWidth(power == 0 ? UNUM_UNIT_WIDTH_FULL_NAME : UNUM_UNIT_WIDTH_SHORT)
                   .precision(icu::number::Precision::maxFraction(fractionDigits(power)))
                   .locale(icu::Locale(locale.toLatin1().constData()));
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = slot->formatDouble(value, status).toString(status);
    if (U_FAILURE(status))
        return QString::number(bytes);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

QString style(quint64 bytes, CountStyle style)
{
    constexpr auto largest = quint64(std::numeric_limits<qint64>::max());
    return format(qint64(std::min(bytes, largest)), style, Units::localeName());
}

QString file(qint64 bytes)
{
    return format(bytes, CountStyle::file, Units::localeName());
}

QString memory(quint64 bytes)
{
    return style(bytes, CountStyle::memory);
}

QString rate(quint64 bytesPerSecond)
{
    return style(bytesPerSecond, CountStyle::file) + QStringLiteral("/s");
}

} // namespace ByteText
