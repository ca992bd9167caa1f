#pragma once

#include <QByteArray>

struct ExportReadings;

// This computer's readings in the OpenMetrics text format, for a Prometheus server to collect.
// Every metric is a gauge named `vantor_…`, ending in its unit where it has one (bytes, ratio for
// fractions 0…1, celsius, rpm, watts, volts, amperes, seconds, bytes_per_second); a reading the
// engine has not taken (no storage measured yet, no fans, no battery) is left out rather than
// shown as 0. The text ends with "# EOF".
namespace OpenMetricsText {

inline const QByteArray contentType = QByteArrayLiteral("application/openmetrics-text; version=1.0.0; charset=utf-8");

// Replaces the contents of `out` with the text; a buffer kept between calls is reused.
void write(const ExportReadings& readings, QByteArray& out);
QByteArray text(const ExportReadings& readings);

// `value` as a label value: backslash, double quote and line feed escaped.
void appendLabelValue(QByteArray& out, QByteArrayView value);
// `value` as a sample value: the shortest text that reads back as the same double; NaN, +Inf, -Inf.
void appendNumber(QByteArray& out, double value);

} // namespace OpenMetricsText
