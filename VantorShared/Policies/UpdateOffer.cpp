#include "VantorShared/Policies/UpdateOffer.h"

#include <limits>

namespace UpdateOffer {

QString name(const QString& version, const QString& build)
{
    if (version == build)
        return version;
    return version + QStringLiteral(" (") + build + QLatin1Char(')');
}

std::optional<qint64> buildNumber(const QString& text)
{
    const qsizetype open = text.lastIndexOf(QLatin1Char('('));
    const qsizetype close = text.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < 0 || close < open)
        return std::nullopt;
    const QStringView inner = QStringView(text).sliced(open + 1, close - open - 1).trimmed();
    if (inner.isEmpty())
        return std::nullopt;
    qsizetype pos = 0;
    const bool negative = inner.front() == QLatin1Char('-');
    if (negative || inner.front() == QLatin1Char('+'))
        ++pos;
    if (pos == inner.size())
        return std::nullopt;
    // Accumulate negatively so that the most negative value fits as well.
    qint64 value = 0;
    for (; pos < inner.size(); ++pos) {
        const char16_t c = inner.at(pos).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        if (__builtin_mul_overflow(value, qint64(10), &value)
            || __builtin_sub_overflow(value, qint64(c - u'0'), &value))
            return std::nullopt;
    }
    if (!negative) {
        if (value == std::numeric_limits<qint64>::min())
            return std::nullopt;
        value = -value;
    }
    return value;
}

bool isSpent(const QString& offer, const QString& installed)
{
    const auto offered = buildNumber(offer);
    const auto have = buildNumber(installed);
    if (offered && have)
        return *have >= *offered;
    return offer == installed;
}

} // namespace UpdateOffer
