// The synchronous part of one refresh cycle beside the bare cost of reading the kernel files it
// depends on, measured in the same run on the same machine.

#include "VantorAgent/Sampling/SystemMonitor.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include <fcntl.h>
#include <unistd.h>

namespace {
std::atomic<size_t> g_allocations {0};
}

// Every allocation is counted so that the cycle's own can be reported per iteration.
void* operator new(size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

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

} // namespace

BENCHMARK(rawReads)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(refreshCycle)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    // Settings from an empty directory of our own, so the figures do not depend on the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "bench");
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
