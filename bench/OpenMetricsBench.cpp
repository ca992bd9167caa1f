// What one collection of the metrics export costs: making the OpenMetrics text of a well-equipped
// laptop's readings (16 cores, 30 temperature sensors, two fans, three power channels, a battery),
// and answering a whole request, beside two baselines in the same run: copying a text of the same
// length (what any answer costs at least) and turning the same numbers into text one by one with
// QByteArray::number (the plain way).

#include "Platform/Http/HttpMetricsEndpoint.h"
#include "VantorAgent/Export/ExportReadings.h"
#include "VantorAgent/Export/OpenMetricsText.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

ExportReadings laptop()
{
    ExportReadings r;
    r.cpuUsage = 0.4123;
    r.userCPUUsage = 0.3011;
    r.systemCPUUsage = 0.1112;
    for (int core = 0; core < 16; ++core)
        r.coreUsages.append(0.05 + core * 0.0571);
    r.loadAverages = {2.31, 1.87, 1.52};
    r.totalMemory = 34359738368ULL;
    r.usedMemory = 17716740096ULL;
    r.wiredMemory = 2147483648ULL;
    r.activeMemory = 15032385536ULL;
    r.compressedMemory = 536870912ULL;
    r.cacheMemory = 9663676416ULL;
    r.pageInsPerSecond = 40960;
    r.pageOutsPerSecond = 8192;
    r.swapTotal = 8589934592ULL;
    r.swapUsed = 268435456ULL;
    r.memoryUsage = 0.5156;
    r.memoryPressure = 0.0781;
    r.totalStorage = 1000204886016LL;
    r.availableStorage = 412316860416LL;
    r.storageUsage = 0.5878;
    const SensorCategory categories[] = {SensorCategory::cpu, SensorCategory::gpu, SensorCategory::memory,
        SensorCategory::storage, SensorCategory::battery, SensorCategory::ambient, SensorCategory::other};
    for (int i = 0; i < 30; ++i)
        r.temperatures.append({QStringLiteral("T%1%2").arg(QChar(u"pgmsBao"[i % 7])).arg(i, 2, 10, QLatin1Char('0')),
            categories[i % 7], 35.5 + i * 1.25});
    for (int i = 0; i < 6; ++i)
        r.sensorGroups.append({categories[i], 60.25 + i});
    r.fans = {{QStringLiteral("F0Ac"), 0, 2150.5, 1200, 6000}, {QStringLiteral("F1Ac"), 1, 2300, 1200, 6000}};
    r.power = {{PowerChannel::system, 24.75}, {PowerChannel::cpu, 9.125}, {PowerChannel::gpu, 3.5}};
    r.battery = BatteryInfo {81, 92.5, 318, 12.45, -1.62, false, false, false, 214};
    r.uptime = 86412.25;
    r.thermalState = ThermalState::nominal;
    return r;
}

void BaselineCopySameLength(benchmark::State& state)
{
    const QByteArray text = OpenMetricsText::text(laptop());
    QByteArray out;
    out.reserve(text.size());
    for (auto _ : state) {
        out.resize(text.size());
        std::memcpy(out.data(), text.constData(), size_t(text.size()));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BaselineCopySameLength);

void BaselineNumbersOneByOne(benchmark::State& state)
{
    const ExportReadings r = laptop();
    QByteArray out;
    for (auto _ : state) {
        out.resize(0);
        for (double value : r.coreUsages)
            out += QByteArray::number(value) + '\n';
        for (const TemperatureReading& reading : r.temperatures)
            out += reading.key.toUtf8() + ' ' + QByteArray::number(reading.celsius) + '\n';
        for (quint64 value : {r.totalMemory, r.usedMemory, r.wiredMemory, r.activeMemory, r.compressedMemory,
                 r.cacheMemory, r.swapTotal, r.swapUsed, r.pageInsPerSecond, r.pageOutsPerSecond})
            out += QByteArray::number(value) + '\n';
        for (const FanReading& fan : r.fans)
            out += QByteArray::number(fan.rpm) + '\n';
        for (const PowerReading& reading : r.power)
            out += QByteArray::number(reading.watts) + '\n';
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BaselineNumbersOneByOne);

void WriteIntoKeptBuffer(benchmark::State& state)
{
    const ExportReadings r = laptop();
    QByteArray out;
    for (auto _ : state) {
        OpenMetricsText::write(r, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = double(out.size());
    state.SetBytesProcessed(state.iterations() * out.size());
}
BENCHMARK(WriteIntoKeptBuffer);

void TextInNewBuffer(benchmark::State& state)
{
    const ExportReadings r = laptop();
    for (auto _ : state)
        benchmark::DoNotOptimize(OpenMetricsText::text(r));
}
BENCHMARK(TextInNewBuffer);

// The whole answer to a collector's request: its head read, the text made, the response put
// together (the socket work is the kernel's).
void AnswerARequest(benchmark::State& state)
{
    const ExportReadings r = laptop();
    QByteArray buffer;
    const std::function<QByteArray()> body = [&] {
        OpenMetricsText::write(r, buffer);
        return buffer;
    };
    const QByteArray head = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1:9100\r\nUser-Agent: Prometheus/2.42.0\r\n"
                            "Accept: application/openmetrics-text;version=1.0.0,application/openmetrics-text;"
                            "version=0.0.1;q=0.75,text/plain;version=0.0.4;q=0.5,*/*;q=0.1\r\n"
                            "Accept-Encoding: gzip\r\nX-Prometheus-Scrape-Timeout-Seconds: 2\r\n\r\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(HttpMetricsEndpoint::respond(head, OpenMetricsText::contentType, body));
}
BENCHMARK(AnswerARequest);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
