#include "VantorAgent/Readings/ReadingsDocument.h"

#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorAgent/Sensors/PowerChannel.h"
#include "VantorAgent/Sensors/SensorCategory.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <limits>
#include <type_traits>

namespace ReadingsDocument {

namespace {

// JSON integers are exact up to 2^63 − 1 here; larger counters are shown at that limit.
QJsonValue integer(quint64 value)
{
    return QJsonValue(qint64(std::min<quint64>(value, quint64(std::numeric_limits<qint64>::max()))));
}

template <typename T> QJsonValue nullable(const std::optional<T>& value)
{
    if (!value)
        return QJsonValue(QJsonValue::Null);
    if constexpr (std::is_same_v<T, quint64>)
        return integer(*value);
    else
        return QJsonValue(*value);
}

QJsonArray numbers(const QList<double>& values)
{
    QJsonArray array;
    for (const double value : values)
        array.append(value);
    return array;
}

QString thermalText(ThermalState state)
{
    switch (state) {
    case ThermalState::nominal:
        return QStringLiteral("nominal");
    case ThermalState::fair:
        return QStringLiteral("fair");
    case ThermalState::serious:
        return QStringLiteral("serious");
    case ThermalState::critical:
        return QStringLiteral("critical");
    case ThermalState::unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString pressureText(MemoryPressureLevel level)
{
    switch (level) {
    case MemoryPressureLevel::normal:
        return QStringLiteral("normal");
    case MemoryPressureLevel::warning:
        return QStringLiteral("warning");
    case MemoryPressureLevel::critical:
        break;
    }
    return QStringLiteral("critical");
}

QJsonArray processes(const QList<ProcessMetric>& metrics)
{
    QJsonArray array;
    for (const ProcessMetric& metric : metrics)
        array.append(QJsonObject {
            {QStringLiteral("pid"), metric.pid},
            {QStringLiteral("name"), metric.name},
            {QStringLiteral("cpu"), metric.cpu},
            {QStringLiteral("memory"), integer(metric.memory)},
            {QStringLiteral("diskRead"), integer(metric.diskRead)},
            {QStringLiteral("diskWrite"), integer(metric.diskWrite)},
        });
    return array;
}

} // namespace

QJsonObject build(const SystemMonitor& m)
{
    const std::array<double, 3>& load = m.loadAverages();
    const QJsonObject processor {
        {QStringLiteral("chipName"), m.chipName()},
        {QStringLiteral("usage"), m.cpuUsage()},
        {QStringLiteral("user"), m.userCPUUsage()},
        {QStringLiteral("system"), m.systemCPUUsage()},
        {QStringLiteral("cores"), numbers(m.coreUsages())},
        {QStringLiteral("performanceCoreCount"), m.performanceCoreCount()},
        {QStringLiteral("loadAverages"), QJsonArray {load[0], load[1], load[2]}},
    };
    const QJsonObject memory {
        {QStringLiteral("total"), integer(m.totalMemory())},
        {QStringLiteral("used"), integer(m.usedMemory())},
        {QStringLiteral("usage"), m.memoryUsage()},
        {QStringLiteral("wired"), integer(m.wiredMemory())},
        {QStringLiteral("compressed"), integer(m.compressedMemory())},
        {QStringLiteral("active"), integer(m.activeMemory())},
        {QStringLiteral("cache"), integer(m.cacheMemory())},
        {QStringLiteral("pressure"), m.memoryPressure()},
        {QStringLiteral("pressureLevel"), pressureText(m.memoryPressureLevel())},
        {QStringLiteral("pageInBytesPerSecond"), integer(m.pageInsPerSecond())},
        {QStringLiteral("pageOutBytesPerSecond"), integer(m.pageOutsPerSecond())},
        {QStringLiteral("swapTotal"), integer(m.swapTotal())},
        {QStringLiteral("swapUsed"), integer(m.swapUsed())},
    };
    const QJsonObject storage {
        {QStringLiteral("volumeName"), m.volumeName()},
        {QStringLiteral("total"), m.totalStorage()},
        {QStringLiteral("available"), m.availableStorage()},
        {QStringLiteral("usage"), m.storageUsage()},
        {QStringLiteral("diskReadPerSecond"), integer(m.diskReadPerSecond())},
        {QStringLiteral("diskWritePerSecond"), integer(m.diskWritePerSecond())},
    };
    const QJsonObject gpu {
        {QStringLiteral("usage"), nullable(m.gpuUsage())},
        {QStringLiteral("rendererUsage"), nullable(m.gpuRendererUsage())},
        {QStringLiteral("tilerUsage"), nullable(m.gpuTilerUsage())},
        {QStringLiteral("allocatedMemory"), nullable(m.gpuAllocatedMemory())},
        {QStringLiteral("inUseMemory"), nullable(m.gpuInUseMemory())},
    };

    QJsonArray temperatures;
    for (const TemperatureReading& reading : m.temperatures())
        temperatures.append(QJsonObject {{QStringLiteral("key"), reading.key},
            {QStringLiteral("category"), rawValue(reading.category)}, {QStringLiteral("celsius"), reading.celsius}});
    QJsonArray groups;
    for (const SensorGroup& group : m.sensorGroups())
        groups.append(QJsonObject {
            {QStringLiteral("category"), rawValue(group.category)}, {QStringLiteral("celsius"), group.celsius}});
    QJsonArray fans;
    for (const FanReading& fan : m.fans())
        fans.append(QJsonObject {{QStringLiteral("key"), fan.key}, {QStringLiteral("index"), fan.index},
            {QStringLiteral("rpm"), fan.rpm}, {QStringLiteral("minimumRPM"), nullable(fan.minimumRPM)},
            {QStringLiteral("maximumRPM"), nullable(fan.maximumRPM)}, {QStringLiteral("load"), nullable(fan.load())}});
    QJsonArray power;
    for (const PowerReading& reading : m.power())
        power.append(QJsonObject {
            {QStringLiteral("channel"), rawValue(reading.channel)}, {QStringLiteral("watts"), reading.watts}});
    QJsonValue battery(QJsonValue::Null);
    if (const auto& info = m.battery())
        battery = QJsonObject {
            {QStringLiteral("chargePercent"), info->chargePercent},
            {QStringLiteral("healthPercent"), info->healthPercent},
            {QStringLiteral("cycleCount"), info->cycleCount},
            {QStringLiteral("volts"), info->volts},
            {QStringLiteral("amps"), info->amps},
            {QStringLiteral("isCharging"), info->isCharging},
            {QStringLiteral("isPluggedIn"), info->isPluggedIn},
            {QStringLiteral("isFullyCharged"), info->isFullyCharged},
            {QStringLiteral("minutesRemaining"), nullable(info->minutesRemaining)},
        };

    return QJsonObject {
        {QStringLiteral("uptime"), m.uptime()},
        {QStringLiteral("thermalState"), thermalText(m.thermalState())},
        {QStringLiteral("processor"), processor},
        {QStringLiteral("memory"), memory},
        {QStringLiteral("storage"), storage},
        {QStringLiteral("gpu"), gpu},
        {QStringLiteral("temperatures"), temperatures},
        {QStringLiteral("sensorGroups"), groups},
        {QStringLiteral("fans"), fans},
        {QStringLiteral("power"), power},
        {QStringLiteral("battery"), battery},
        {QStringLiteral("processes"),
            QJsonObject {
                {QStringLiteral("byCPU"), processes(m.topCPUProcesses())},
                {QStringLiteral("byMemory"), processes(m.topMemoryProcesses())},
                {QStringLiteral("byDisk"), processes(m.topDiskProcesses())},
            }},
    };
}

QByteArray text(const SystemMonitor& monitor)
{
    return QJsonDocument(build(monitor)).toJson(QJsonDocument::Indented);
}

} // namespace ReadingsDocument
