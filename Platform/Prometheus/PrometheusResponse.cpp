#include "Platform/Prometheus/PrometheusResponse.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cmath>
#include <limits>

namespace PrometheusResponse {
namespace {

PrometheusResult failure(PrometheusError::Kind kind, const QString& detail)
{
    PrometheusResult result;
    result.error.kind = kind;
    result.error.detail = detail;
    return result;
}

bool readLabels(const QJsonValue& value, QMap<QString, QString>& labels)
{
    if (value.isUndefined())
        return true; // a scalar or a series without a "metric" has no labels
    if (!value.isObject())
        return false;
    const QJsonObject object = value.toObject();
    if (object.size() > maximumLabels)
        return false;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString())
            return false;
        labels.insert(it.key(), it.value().toString());
    }
    return true;
}

// A pair [time, "value"].
std::optional<PrometheusPoint> readPoint(const QJsonValue& value)
{
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray pair = value.toArray();
    if (pair.size() != 2 || !pair.at(0).isDouble() || !pair.at(1).isString())
        return std::nullopt;
    const double time = pair.at(0).toDouble();
    if (!std::isfinite(time))
        return std::nullopt;
    const auto number = parseValue(pair.at(1).toString());
    if (!number)
        return std::nullopt;
    return PrometheusPoint {time, *number};
}

} // namespace

std::optional<double> parseValue(const QString& text)
{
    if (text == QLatin1String("NaN"))
        return std::numeric_limits<double>::quiet_NaN();
    if (text == QLatin1String("+Inf") || text == QLatin1String("Inf"))
        return std::numeric_limits<double>::infinity();
    if (text == QLatin1String("-Inf"))
        return -std::numeric_limits<double>::infinity();
    if (text.isEmpty() || text.size() > 64)
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

PrometheusResult parse(const QByteArray& body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject())
        return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("the answer is not JSON"));
    const QJsonObject root = document.object();
    const QJsonValue status = root.value(QLatin1String("status"));
    if (!status.isString())
        return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("the answer has no status"));
    if (status.toString() == QLatin1String("error")) {
        const QString kind = root.value(QLatin1String("errorType")).toString();
        const QString message = root.value(QLatin1String("error")).toString().left(500);
        return failure(PrometheusError::Kind::queryFailed,
            kind.isEmpty() ? message : kind.left(100) + QStringLiteral(": ") + message);
    }
    if (status.toString() != QLatin1String("success"))
        return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("unknown status"));

    const QJsonValue dataValue = root.value(QLatin1String("data"));
    if (!dataValue.isObject())
        return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("the answer has no data"));
    const QJsonObject data = dataValue.toObject();
    const QString type = data.value(QLatin1String("resultType")).toString();
    const QJsonValue resultValue = data.value(QLatin1String("result"));

    PrometheusResult result;
    if (type == QLatin1String("scalar")) {
        const auto point = readPoint(resultValue);
        if (!point)
            return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("malformed scalar"));
        result.vector.append(PrometheusSample {{}, point->value});
        return result;
    }
    if (!resultValue.isArray())
        return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("the result is not a list"));
    const QJsonArray list = resultValue.toArray();
    if (list.size() > maximumSeries)
        return failure(PrometheusError::Kind::tooLarge, QStringLiteral("too many series"));

    if (type == QLatin1String("vector")) {
        result.vector.reserve(list.size());
        for (const QJsonValue& entry : list) {
            if (!entry.isObject())
                return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("malformed sample"));
            const QJsonObject object = entry.toObject();
            PrometheusSample sample;
            const auto point = readPoint(object.value(QLatin1String("value")));
            if (!point || !readLabels(object.value(QLatin1String("metric")), sample.labels))
                return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("malformed sample"));
            sample.value = point->value;
            result.vector.append(std::move(sample));
        }
        return result;
    }
    if (type == QLatin1String("matrix")) {
        qsizetype points = 0;
        result.matrix.reserve(list.size());
        for (const QJsonValue& entry : list) {
            if (!entry.isObject())
                return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("malformed series"));
            const QJsonObject object = entry.toObject();
            PrometheusSeries series;
            const QJsonValue values = object.value(QLatin1String("values"));
            if (!values.isArray() || !readLabels(object.value(QLatin1String("metric")), series.labels))
                return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("malformed series"));
            const QJsonArray array = values.toArray();
            points += array.size();
            if (points > maximumPoints)
                return failure(PrometheusError::Kind::tooLarge, QStringLiteral("too many points"));
            series.points.reserve(array.size());
            for (const QJsonValue& value : array) {
                const auto point = readPoint(value);
                if (!point)
                    return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("malformed point"));
                series.points.append(*point);
            }
            result.matrix.append(std::move(series));
        }
        return result;
    }
    return failure(PrometheusError::Kind::notPrometheus, QStringLiteral("unexpected result type"));
}

} // namespace PrometheusResponse
