#include "VantorAgent/Machines/MachineHistory.h"

#include <algorithm>
#include <cmath>

namespace {

// Byte counts are shown through 64-bit integers; a server's figure beyond what they hold (an
// exabyte and more, surely garbage) is cut there rather than converted out of range.
constexpr double mostBytes = 4.0e18;

double byteCount(double value)
{
    return std::clamp(value, 0.0, mostBytes);
}

double clampedFraction(double value)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
}

QList<MachineHistory::Reading> sortedReadings(const PrometheusResult& result, double lowest, double highest)
{
    QList<MachineHistory::Reading> readings;
    for (const PrometheusSeries& series : result.matrix) {
        if (series.points.isEmpty())
            continue;
        const double value = series.points.last().value;
        if (!std::isfinite(value) || value < lowest || value > highest)
            continue;
        QString name = series.labels.value(QStringLiteral("label"));
        if (name.isEmpty()) {
            name = series.labels.value(QStringLiteral("chip")).section(QLatin1Char('_'), -1);
            const QString sensor = series.labels.value(QStringLiteral("sensor"));
            name = name.isEmpty() ? sensor : name + QLatin1Char(' ') + sensor;
        }
        readings.append({name.left(60), value});
    }
    std::stable_sort(readings.begin(), readings.end(), [](const auto& a, const auto& b) { return a.value > b.value; });
    return readings;
}

} // namespace

QList<double> MachineHistory::values(const PrometheusResult& result)
{
    QList<double> values;
    if (result.matrix.isEmpty())
        return values;
    values.reserve(result.matrix.first().points.size());
    for (const PrometheusPoint& point : result.matrix.first().points)
        values.append(point.value);
    return values;
}

QMap<QString, double> MachineHistory::latestBy(const PrometheusResult& result, const QString& label)
{
    QMap<QString, double> latest;
    for (const PrometheusSeries& series : result.matrix) {
        if (!series.points.isEmpty() && std::isfinite(series.points.last().value))
            latest.insert(series.labels.value(label), series.points.last().value);
    }
    return latest;
}

void MachineHistory::setCPU(const PrometheusResult& result)
{
    cpu = values(result);
    for (double& value : cpu)
        value = clampedFraction(value);
}

void MachineHistory::setCores(const PrometheusResult& result)
{
    // Core numbers compare as numbers: cpu 10 comes after cpu 9.
    QList<std::pair<int, double>> cores;
    for (const PrometheusSeries& series : result.matrix) {
        bool ok = false;
        const int number = series.labels.value(QStringLiteral("cpu")).toInt(&ok);
        if (ok && !series.points.isEmpty())
            cores.append({number, clampedFraction(series.points.last().value)});
    }
    std::sort(cores.begin(), cores.end());
    coreUsages.clear();
    for (const auto& core : cores)
        coreUsages.append(core.second);
}

void MachineHistory::setLoad(const PrometheusResult& result)
{
    load1.clear();
    load5.clear();
    load15.clear();
    for (const PrometheusSeries& series : result.matrix) {
        const QString name = series.labels.value(QStringLiteral("__name__"));
        QList<double>* target = name == QLatin1String("node_load1") ? &load1
            : name == QLatin1String("node_load5")                   ? &load5
            : name == QLatin1String("node_load15")                  ? &load15
                                                                    : nullptr;
        if (!target)
            continue;
        for (const PrometheusPoint& point : series.points)
            target->append(std::isfinite(point.value) && point.value >= 0 ? point.value : 0.0);
    }
}

void MachineHistory::setMemory(const PrometheusResult& result)
{
    const QMap<QString, double> latest = latestBy(result, QStringLiteral("__name__"));
    const auto get = [&](const char* field) {
        return byteCount(latest.value(QStringLiteral("node_memory_%1_bytes").arg(QLatin1String(field)), 0.0));
    };
    Memory m;
    m.total = get("MemTotal");
    if (m.total <= 0) {
        memory.reset();
        return;
    }
    m.available = std::min(m.total, get("MemAvailable"));
    // The same reading of meminfo as this computer's own memory panel.
    m.wired = std::min(m.used(), get("SUnreclaim") + get("KernelStack") + get("PageTables"));
    m.cache = std::clamp(get("Cached") + get("Buffers") + get("SReclaimable") - get("Shmem"), 0.0, m.total);
    m.swapTotal = get("SwapTotal");
    m.swapFree = std::min(m.swapTotal, get("SwapFree"));
    memory = m;
}

void MachineHistory::setStorage(const PrometheusResult& result)
{
    const QMap<QString, double> latest = latestBy(result, QStringLiteral("__name__"));
    const double size = byteCount(latest.value(QStringLiteral("node_filesystem_size_bytes"), 0));
    if (size <= 0) {
        storage.reset();
        return;
    }
    // The file system's size and what users may still write, as for this computer's own volume:
    // blocks reserved for root count as taken.
    const double available = std::clamp(latest.value(QStringLiteral("node_filesystem_avail_bytes"), 0.0), 0.0, size);
    const double capacity = size;
    storage = Storage {capacity, available};
}

void MachineHistory::setTemperatures(const PrometheusResult& result)
{
    temperatures = sortedReadings(result, -60, 250);
}

void MachineHistory::setFans(const PrometheusResult& result)
{
    fans = sortedReadings(result, 0, 100000);
}
