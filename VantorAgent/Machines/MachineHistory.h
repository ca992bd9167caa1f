#pragma once

#include "Platform/Prometheus/PrometheusResponse.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// One machine's last hour as the panel shows it, made from the answers of the range queries. Each
// part stays empty when its query failed or the exporter does not offer it.
struct MachineHistory {
    QList<double> cpu;
    // Per core, in the order of the core numbers, the latest usage.
    QList<double> coreUsages;
    QList<double> load1, load5, load15;

    // The latest memory figures in bytes, where known.
    struct Memory {
        double total = 0;
        double available = 0;
        double wired = 0;
        double cache = 0;
        double swapTotal = 0;
        double swapFree = 0;
        double used() const { return std::max(0.0, total - available); }
        double active() const { return std::max(0.0, used() - wired); }
    };
    std::optional<Memory> memory;

    struct Storage {
        double size = 0;
        double available = 0;
    };
    std::optional<Storage> storage;

    struct Reading {
        QString name;
        double value = 0;
    };
    // Latest per sensor, hottest first; fans fastest first.
    QList<Reading> temperatures;
    QList<Reading> fans;

    // The values of the one series in a matrix (the first when there are more), oldest first.
    static QList<double> values(const PrometheusResult& result);
    // The latest value of every series by the label `label` (e.g. "cpu" or "__name__").
    static QMap<QString, double> latestBy(const PrometheusResult& result, const QString& label);

    void setCPU(const PrometheusResult& result);
    void setCores(const PrometheusResult& result);
    void setLoad(const PrometheusResult& result);
    void setMemory(const PrometheusResult& result);
    void setStorage(const PrometheusResult& result);
    void setTemperatures(const PrometheusResult& result);
    void setFans(const PrometheusResult& result);
};
