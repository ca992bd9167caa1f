// What a tray item costs per refresh: its signature beside the bar meter's signature (the
// baseline, computed every refresh for every meter anyway), and the full icon that is drawn only
// when the signature changed.

#include "Platform/Bundles/Bundle.h"
#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Meters/TrayMeterIcon.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class Readings : public MenuBarReadings {
public:
    Readings()
    {
        for (int i = 0; i < 16; ++i)
            m_cores.append(0.05 * i);
        m_history = QList<double>(36, 0.4);
    }
    double cpuUsage() const override { return 0.42; }
    const QList<double>& coreUsages() const override { return m_cores; }
    int performanceCoreCount() const override { return 8; }
    const QList<double>& cpuHistory() const override { return m_history; }
    std::optional<double> cpuTemperature() const override { return 52.0; }
    std::optional<double> cpuWatts() const override { return 8.0; }
    std::optional<double> gpuTemperature() const override { return 47.0; }
    std::optional<double> hottestCelsius() const override { return 61.0; }
    std::optional<double> fastestFanRPM() const override { return 2100; }
    std::optional<double> systemWatts() const override { return 14.0; }
    double memoryUsage() const override { return 0.64; }
    double memoryPressure() const override { return 0.3; }
    quint64 swapUsed() const override { return 0; }
    double storageUsage() const override { return 0.58; }
    qint64 availableStorage() const override { return qint64(1) << 37; }

private:
    QList<double> m_cores;
    QList<double> m_history;
};

Readings& readings()
{
    static Readings value;
    return value;
}

void BaselineBarMeterSignature(benchmark::State& state)
{
    StatusMetricView view(QRect(0, 0, 120, 24), MonitorSection::cpu);
    view.setReadings(&readings());
    for (auto _ : state)
        benchmark::DoNotOptimize(view.drawSignature());
}
BENCHMARK(BaselineBarMeterSignature);

void TraySignatureCpuBars(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TrayMeterIcon::signature(MonitorSection::cpu, &readings()));
}
BENCHMARK(TraySignatureCpuBars);

void TraySignatureMemory(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(TrayMeterIcon::signature(MonitorSection::memory, &readings()));
}
BENCHMARK(TraySignatureMemory);

void TrayIconAllSizes(benchmark::State& state)
{
    const auto section = MonitorSection(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(TrayMeterIcon::icon(section, readings(), TrayMeterIcon::Appearance::dark));
}
BENCHMARK(TrayIconAllSizes)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "bench.tray.icon");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Bundle::setMainBundlePathForTesting(QCoreApplication::applicationDirPath()
        + QStringLiteral("/../Vantor.app/Contents/Library/LoginItems/VantorAgent.app"));
    SharedSettings::prepareAtLaunch();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
