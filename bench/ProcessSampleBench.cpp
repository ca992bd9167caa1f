// The process scan over the live /proc, per process, beside its floor in the same run: the same
// files read again with pread on kept descriptors after listing /proc, without parsing. Opening,
// reading and closing the files on every scan, and ps listing the same columns, are shown for
// comparison.

#include "Platform/Kernel/ProcessUsageReader.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "bench/AllocationCounting.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

void perProcess(benchmark::State& state, size_t processes)
{
    state.counters["processes"] = double(processes);
    state.counters["time_per_process"] = benchmark::Counter(double(processes) * double(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

// The ids in /proc, listed as the reader lists them: getdents64 on one kept descriptor.
class ProcListing {
public:
    ProcListing()
        : m_fd(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
        , m_buffer(32768)
    {
    }
    ~ProcListing() { ::close(m_fd); }
    const std::vector<int>& list()
    {
        m_pids.clear();
        ::lseek(m_fd, 0, SEEK_SET);
        for (;;) {
            const ssize_t n = ::getdents64(m_fd, m_buffer.data(), m_buffer.size());
            if (n <= 0)
                break;
            for (ssize_t offset = 0; offset < n;) {
                const auto* entry = reinterpret_cast<const dirent64*>(m_buffer.data() + offset);
                offset += entry->d_reclen;
                if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9')
                    m_pids.push_back(std::atoi(entry->d_name));
            }
        }
        return m_pids;
    }

private:
    int m_fd;
    std::vector<char> m_buffer;
    std::vector<int> m_pids;
};

void scan(benchmark::State& state, bool diskCounters)
{
    ProcessUsageReader reader;
    std::vector<ProcessSample> samples;
    SystemMonitor::sampleProcesses(reader, diskCounters, samples);
    const size_t before = g_allocations.load();
    const size_t listedBefore = reader.listings();
    for (auto _ : state) {
        SystemMonitor::sampleProcesses(reader, diskCounters, samples);
        benchmark::DoNotOptimize(samples.data());
    }
    perProcess(state, samples.size());
    // Processes that start during the run (a busy machine has many) are named once each.
    state.counters["allocations"] = double(g_allocations.load() - before) / double(state.iterations());
    state.counters["kept_descriptors"] = double(reader.keptDescriptors());
    // Scans that listed /proc (a task had started since the last listing), as a share of all.
    state.counters["listed"] = double(reader.listings() - listedBefore) / double(state.iterations());
}

// The scan as the meters need it: processor time, memory and name.
void sampleProcesses(benchmark::State& state)
{
    scan(state, false);
}
BENCHMARK(sampleProcesses)->Unit(benchmark::kMillisecond)->UseRealTime();

// The scan with the storage counters, as while the storage popover is open.
void sampleProcessesWithDisk(benchmark::State& state)
{
    scan(state, true);
}
BENCHMARK(sampleProcessesWithDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: list /proc, then pread each process's files on descriptors kept from the start,
// without parsing. Processes that start during the run are not read, ones that end fail fast.
// The scan lists /proc only when a task may have started, which on a quiet machine is seldom, so
// the floor is also shown without the listing.
void keptDescriptorFloor(benchmark::State& state, std::vector<const char*> files, bool listEveryTime = true)
{
    ProcListing listing;
    std::vector<int> fds;
    char path[64];
    for (const int pid : listing.list())
        for (const char* file : files) {
            std::snprintf(path, sizeof path, "/proc/%d/%s", pid, file);
            const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
            if (fd >= 0)
                fds.push_back(fd);
        }
    char buffer[4096];
    size_t processes = 0;
    processes = listing.list().size();
    for (auto _ : state) {
        if (listEveryTime)
            processes = listing.list().size();
        for (const int fd : fds)
            benchmark::DoNotOptimize(::pread(fd, buffer, sizeof buffer, 0));
    }
    for (const int fd : fds)
        ::close(fd);
    perProcess(state, processes);
}
void preadFloor(benchmark::State& state)
{
    keptDescriptorFloor(state, {"stat"});
}
BENCHMARK(preadFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
void preadFloorUnlisted(benchmark::State& state)
{
    keptDescriptorFloor(state, {"stat"}, false);
}
BENCHMARK(preadFloorUnlisted)->Unit(benchmark::kMillisecond)->UseRealTime();
void preadFloorWithDisk(benchmark::State& state)
{
    keptDescriptorFloor(state, {"stat", "io"});
}
BENCHMARK(preadFloorWithDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

// Opening, reading and closing stat, statm and io of every process on every scan, without
// parsing: what a scan without kept descriptors pays at the least.
void openReadClose(benchmark::State& state)
{
    ProcListing listing;
    char buffer[4096];
    char path[64];
    size_t processes = 0;
    for (auto _ : state) {
        const std::vector<int>& pids = listing.list();
        processes = pids.size();
        for (const int pid : pids)
            for (const char* file : {"stat", "statm", "io"}) {
                std::snprintf(path, sizeof path, "/proc/%d/%s", pid, file);
                const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
                if (fd < 0)
                    continue;
                benchmark::DoNotOptimize(::read(fd, buffer, sizeof buffer));
                ::close(fd);
            }
    }
    perProcess(state, processes);
}
BENCHMARK(openReadClose)->Unit(benchmark::kMillisecond)->UseRealTime();

// ps reading process id, command, resident size and processor time of every process, its output
// read to the end (the start of the ps program itself is included, as it is for anyone who runs
// it).
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
    perProcess(state, processes);
}
BENCHMARK(psListing)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
