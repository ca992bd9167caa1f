// The synchronous part of one refresh cycle beside the bare cost of reading the kernel files it
// depends on, measured in the same run on the same machine; then the cycle with the four meters
// it feeds: their signatures, and drawing those that changed, as the agent does.

#include "bench/AllocationCounting.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Only reading: each file already open, re-read from offset 0 into a fixed buffer, nothing parsed.
void rawReads(benchmark::State& state)
{
    const std::array<const char*, 5> paths {
        "/proc/stat", "/proc/meminfo", "/proc/vmstat", "/proc/loadavg", "/proc/pressure/memory"};
    std::array<int, 5> fds {};
    for (size_t i = 0; i < paths.size(); ++i)
        fds[i] = ::open(paths[i], O_RDONLY | O_CLOEXEC);
    static char buffer[1 << 16];
    for (auto _ : state) {
        for (const int fd : fds) {
            if (fd < 0)
                continue;
            const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
            benchmark::DoNotOptimize(n);
        }
        benchmark::ClobberMemory();
    }
    for (const int fd : fds)
        if (fd >= 0)
            ::close(fd);
}

void refreshCycle(benchmark::State& state)
{
    SystemMonitor::Sources sources;
    sources.startTimer = false;
    auto monitor = std::make_unique<SystemMonitor>(sources);
    monitor->refresh(); // past the first growth of the buffers
    const size_t before = g_allocations.load();
    for (auto _ : state)
        monitor->refresh();
    benchmark::DoNotOptimize(monitor->cpuUsage());
    state.counters["allocations"] = double(g_allocations.load() - before) / double(state.iterations());
}

// The four meters of the top bar over `readings`, drawn into one image.
struct Meters {
    explicit Meters(MenuBarReadings& readings)
        : image(400 * 2, 24 * 2, QImage::Format_ARGB32_Premultiplied)
    {
        image.setDevicePixelRatio(2);
        for (const MonitorSection section :
            {MonitorSection::cpu, MonitorSection::memory, MonitorSection::storage, MonitorSection::sensors}) {
            auto view = std::make_unique<StatusMetricView>(
                QRect(0, 0, int(std::ceil(StatusMetricView::itemWidth(section))), 24), section);
            view->setReadings(&readings);
            views.push_back(std::move(view));
            signatures.emplace_back();
        }
    }
    void draw(StatusMetricView& view)
    {
        QPainter painter(&image);
        view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    // What the agent does after each cycle: ask every meter for its signature, draw the changed.
    int drawChanged()
    {
        int drawn = 0;
        for (size_t i = 0; i < views.size(); ++i) {
            QString signature = views[i]->drawSignature();
            if (signature == signatures[i])
                continue;
            signatures[i] = std::move(signature);
            draw(*views[i]);
            ++drawn;
        }
        return drawn;
    }
    QImage image;
    std::vector<std::unique_ptr<StatusMetricView>> views;
    std::vector<QString> signatures;
};

// A /proc and /sys that hold still: a copy of this machine's files, so every cycle reads the same.
struct FrozenMachine {
    FrozenMachine()
    {
        for (const char* file : {"stat", "meminfo", "vmstat", "loadavg", "pressure/memory", "cpuinfo"}) {
            const QString target = dir.path() + QStringLiteral("/proc/") + QLatin1String(file);
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile in(QStringLiteral("/proc/") + QLatin1String(file));
            QFile out(target);
            if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly))
                out.write(in.readAll());
        }
        QDir().mkpath(dir.path() + QStringLiteral("/sys"));
    }
    SystemMonitor::Sources sources() const
    {
        SystemMonitor::Sources sources;
        sources.procRoot = dir.path() + QStringLiteral("/proc");
        sources.sysRoot = dir.path() + QStringLiteral("/sys");
        sources.loadAverages = [](std::array<double, 3>& values) {
            values = {0.5, 0.4, 0.3};
            return true;
        };
        sources.clock = [] {
            static double now = 0;
            return now += 1.0;
        };
        sources.startTimer = false;
        return sources;
    }
    QTemporaryDir dir;
};

// A cycle in which nothing visible changes: the engine, four signatures, nothing to draw.
void steadyCycleWithMeters(benchmark::State& state)
{
    FrozenMachine machine;
    auto monitor = std::make_unique<SystemMonitor>(machine.sources());
    Meters meters(*monitor);
    for (int i = 0; i < 3; ++i) {
        monitor->refresh();
        meters.drawChanged();
    }
    int drawn = 0;
    const size_t before = g_allocations.load();
    for (auto _ : state) {
        monitor->refresh();
        drawn += meters.drawChanged();
    }
    state.counters["allocations"] = double(g_allocations.load() - before) / double(state.iterations());
    state.counters["drawn"] = double(drawn) / double(state.iterations());
}

// The live cycle on this machine's own files: the engine, then every meter whose picture changed.
void liveCycleWithMeters(benchmark::State& state)
{
    SystemMonitor::Sources sources;
    sources.startTimer = false;
    auto monitor = std::make_unique<SystemMonitor>(sources);
    Meters meters(*monitor);
    monitor->refresh();
    meters.drawChanged();
    int drawn = 0;
    const size_t before = g_allocations.load();
    for (auto _ : state) {
        monitor->refresh();
        drawn += meters.drawChanged();
    }
    state.counters["allocations"] = double(g_allocations.load() - before) / double(state.iterations());
    state.counters["drawn"] = double(drawn) / double(state.iterations());
}

// Drawing all four meters, whatever changed: the cost of a paint, in the style given by the
// argument (0 bars, 1 wave, 2 compact).
void drawFourMeters(benchmark::State& state)
{
    static const char* const styles[] = {"bars", "wave", "compact"};
    SharedSettings::store().setString(SharedSettings::Key::meterStyle, QLatin1String(styles[state.range(0)]));
    FrozenMachine machine;
    auto monitor = std::make_unique<SystemMonitor>(machine.sources());
    monitor->refresh();
    monitor->refresh();
    Meters meters(*monitor);
    for (auto& view : meters.views)
        meters.draw(*view);
    const size_t before = g_allocations.load();
    for (auto _ : state) {
        for (auto& view : meters.views)
            meters.draw(*view);
    }
    state.counters["allocations"] = double(g_allocations.load() - before) / double(state.iterations());
    SharedSettings::store().removeObjectForKey(SharedSettings::Key::meterStyle);
}

} // namespace

BENCHMARK(steadyCycleWithMeters)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(liveCycleWithMeters)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(drawFourMeters)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(rawReads)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(refreshCycle)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    // Settings from an empty directory of our own, so the figures do not depend on the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "bench");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SharedSettings::prepareAtLaunch();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
