// The process scan over the live /proc beside `ps` listing the same columns for the same
// processes, in the same run: both are reported per process.

#include "Platform/Kernel/ProcessUsageReader.h"
#include "VantorAgent/Sampling/SystemMonitor.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void sampleProcesses(benchmark::State& state)
{
    ProcessUsageReader reader;
    size_t processes = 0;
    for (auto _ : state) {
        const std::vector<ProcessSample> samples = SystemMonitor::sampleProcesses(reader);
        processes = samples.size();
        benchmark::DoNotOptimize(samples.data());
    }
    state.counters["processes"] = double(processes);
    state.counters["time_per_process"] = benchmark::Counter(double(processes) * double(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(sampleProcesses)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline: ps reading process id, command, resident size and processor time of every
// process, its output read to the end (the start of the ps program itself is included, as it is
// for anyone who runs it).
void psListing(benchmark::State& state)
{
    size_t processes = 0;
    for (auto _ : state) {
        FILE* pipe = ::popen("ps -e -o pid=,comm=,rss=,time=", "r");
        if (!pipe) {
            state.SkipWithError("ps cannot be started");
            return;
        }
        char line[512];
        size_t lines = 0;
        while (std::fgets(line, sizeof line, pipe))
            ++lines;
        ::pclose(pipe);
        processes = lines;
    }
    state.counters["processes"] = double(processes);
    state.counters["time_per_process"] = benchmark::Counter(double(processes) * double(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(psListing)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
