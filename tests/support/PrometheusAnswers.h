#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

// Answers of the query API as a Prometheus server writes them.
namespace PrometheusAnswers {

struct Sample {
    QMap<QString, QString> labels;
    QString value;
};

inline QByteArray vector(const QList<Sample>& samples, double time = 1700000000.5)
{
    QJsonArray result;
    for (const Sample& sample : samples) {
        QJsonObject metric;
        for (auto it = sample.labels.begin(); it != sample.labels.end(); ++it)
            metric.insert(it.key(), it.value());
        result.append(QJsonObject {
            {QStringLiteral("metric"), metric}, {QStringLiteral("value"), QJsonArray {time, sample.value}}});
    }
    const QJsonObject data {
        {QStringLiteral("resultType"), QStringLiteral("vector")}, {QStringLiteral("result"), result}};
    return QJsonDocument(
        QJsonObject {{QStringLiteral("status"), QStringLiteral("success")}, {QStringLiteral("data"), data}})
        .toJson(QJsonDocument::Compact);
}

// One machine's parts of the summary query.
inline QList<Sample> machine(const QString& instance, const QMap<QString, QString>& parts, const QString& nodename = {})
{
    QList<Sample> samples;
    for (auto it = parts.begin(); it != parts.end(); ++it)
        samples.append(
            {{{QStringLiteral("instance"), instance}, {QStringLiteral("vantor_part"), it.key()}}, it.value()});
    if (!nodename.isEmpty())
        samples.append(
            {{{QStringLiteral("instance"), instance}, {QStringLiteral("vantor_part"), QStringLiteral("uname")},
                 {QStringLiteral("nodename"), nodename}},
                QStringLiteral("1")});
    return samples;
}

inline QByteArray error(const QString& type, const QString& message)
{
    return QJsonDocument(QJsonObject {{QStringLiteral("status"), QStringLiteral("error")},
                             {QStringLiteral("errorType"), type}, {QStringLiteral("error"), message}})
        .toJson(QJsonDocument::Compact);
}

} // namespace PrometheusAnswers
