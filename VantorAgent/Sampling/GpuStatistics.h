#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

#include <initializer_list>
#include <optional>

// Looking up figures in the accelerators' statistics, whose key names differ between drivers:
// each figure is looked for under a short list of names, the first that holds a number decides.
namespace GpuStatistics {

using Keys = std::initializer_list<QLatin1StringView>;

// All dictionaries in one; a later accelerator's value replaces an earlier one's under a key.
QVariantMap merged(const QList<QVariantMap>& accelerators);
// The first key whose value is a number; a value of another kind (a text) is passed over.
std::optional<double> number(const QVariantMap& statistics, Keys keys);
// A share 0…1. Above 1 the figure is a percentage; at most 1 it is a fraction already.
std::optional<double> utilization(const QVariantMap& statistics, Keys keys);
// Whole bytes; none when the figure is negative or missing.
std::optional<quint64> bytes(const QVariantMap& statistics, Keys keys);

} // namespace GpuStatistics
