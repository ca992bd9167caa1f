#pragma once

#include "Platform/Prometheus/PrometheusResponse.h"
#include "VantorShared/Machines/MachineStatus.h"

#include <QList>
#include <QString>

// The PromQL we ask a server for, over the metrics of node_exporter, and how the answers become
// machines. The user's label filter is put into every selector, so it is checked first: only
// matchers of the form name="value" (with =, !=, =~, !~), separated by commas, are accepted; a
// filter that could change the shape of the query is refused.
namespace MachineQueries {

bool isValidFilter(const QString& filter);

// All figures of every machine in one query: each part is tagged with a `vantor_part` label and
// joined with `or`, so one request a cycle answers everything.
QString summary(const QString& filter);
// The machines themselves (the targets' `up`), for counting in a connection test.
QString targets(const QString& filter);

// Machines from the answer of summary(), in no particular order. Values out of their plausible
// range are left missing; `since` is not set.
QList<MachineStatus> machinesFromSummary(const PrometheusResult& result);
// The number of distinct machines in the answer of targets().
int countTargets(const PrometheusResult& result);

// Range queries for one machine's panel, identified by its instance.
namespace Range {
QString cpu(const QString& filter, const QString& instance);
QString coreUsage(const QString& filter, const QString& instance);
QString load(const QString& filter, const QString& instance);
QString memory(const QString& filter, const QString& instance);
QString storage(const QString& filter, const QString& instance);
QString temperatures(const QString& filter, const QString& instance);
QString fans(const QString& filter, const QString& instance);
} // namespace Range

// A label value written as a PromQL string literal.
QString quoted(const QString& value);

} // namespace MachineQueries
