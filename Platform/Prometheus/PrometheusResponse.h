#pragma once

#include "Platform/Prometheus/PrometheusError.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// One series of an instant query: its labels and its value at the query's time.
struct PrometheusSample {
    QMap<QString, QString> labels;
    double value = 0;
};

// One point of a range query.
struct PrometheusPoint {
    double time = 0; // seconds since the epoch
    double value = 0;
};

// One series of a range query.
struct PrometheusSeries {
    QMap<QString, QString> labels;
    QList<PrometheusPoint> points;
};

// What the query API answered: for an instant query a vector (or a scalar, as one sample without
// labels), for a range query a matrix.
struct PrometheusResult {
    PrometheusError error;
    QList<PrometheusSample> vector;
    QList<PrometheusSeries> matrix;
};

// Reads the JSON answers of `/api/v1/query` and `/api/v1/query_range`. The body comes from a
// server we do not control, so every field is checked for its shape, numbers that are not finite
// are kept only as the server's own NaN/Inf, and the number of series and points is bounded.
namespace PrometheusResponse {
inline constexpr qsizetype maximumSeries = 10000;
inline constexpr qsizetype maximumPoints = 200000;
inline constexpr qsizetype maximumLabels = 64;

PrometheusResult parse(const QByteArray& body);
// The value text of the API: a decimal number or "NaN", "+Inf", "-Inf".
std::optional<double> parseValue(const QString& text);
} // namespace PrometheusResponse
