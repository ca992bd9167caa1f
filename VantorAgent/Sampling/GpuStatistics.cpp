#include "VantorAgent/Sampling/GpuStatistics.h"

#include <algorithm>
#include <cmath>

namespace GpuStatistics {

namespace {

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

} // namespace

QVariantMap merged(const QList<QVariantMap>& accelerators)
{
    QVariantMap result;
    for (const QVariantMap& statistics : accelerators)
        for (auto it = statistics.cbegin(); it != statistics.cend(); ++it)
            result.insert(it.key(), it.value());
    return result;
}

std::optional<double> number(const QVariantMap& statistics, Keys keys)
{
    for (const QLatin1StringView key : keys) {
        const auto it = statistics.constFind(QString(key));
        if (it == statistics.cend() || !isNumber(*it))
            continue;
        const double value = it->toDouble();
        // Not-a-number is no figure at all.
        if (std::isnan(value))
            continue;
        return value;
    }
    return std::nullopt;
}

std::optional<double> utilization(const QVariantMap& statistics, Keys keys)
{
    auto value = number(statistics, keys);
    if (!value)
        return std::nullopt;
    if (*value > 1)
        *value /= 100;
    if (!(*value > 0))
        return 0.0;
    return std::min(*value, 1.0);
}

std::optional<quint64> bytes(const QVariantMap& statistics, Keys keys)
{
    const auto value = number(statistics, keys);
    if (!value || *value < 0)
        return std::nullopt;
    // A figure beyond the range cannot be a real amount of memory; the largest one stands in.
    if (!(*value < 18446744073709549568.0))
        return ~quint64(0);
    return quint64(*value);
}

} // namespace GpuStatistics
