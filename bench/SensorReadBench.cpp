// One full sensor read, as the agent's sensor job makes it every third cycle: through the hwmon
// bridge on a tree of 40 sensors, and through a recorded table of 300 keys. The baseline is the
// bare cost of re-reading the same 40 sysfs files, measured in the same run.

#include "Platform/Kernel/ProcFile.h"
#include "Platform/Sensors/HwmonBridge.h"
#include "Platform/Sensors/RecordedSMCTransport.h"
#include "VantorAgent/Sensors/SMCReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

void write(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(contents);
}

// Five chips: processor, graphics, two drives, a board chip; 34 temperatures and 6 fans.
struct SensorTree {
    SensorTree()
    {
        const struct {
            const char* name;
            int temperatures;
            int fans;
        } chips[] = {{"coretemp", 17, 0}, {"amdgpu", 3, 1}, {"nvme", 3, 0}, {"nvme", 3, 0}, {"nct6798", 8, 5}};
        int n = 0;
        for (const auto& chip : chips) {
            const QString dir = root.path() + QStringLiteral("/class/hwmon/hwmon%1/").arg(n++);
            write(dir + QStringLiteral("name"), QByteArray(chip.name) + '\n');
            for (int t = 1; t <= chip.temperatures; ++t) {
                const QString file = dir + QStringLiteral("temp%1_input").arg(t);
                write(file, QByteArray::number(40000 + t * 500) + '\n');
                files.append(file);
            }
            for (int f = 1; f <= chip.fans; ++f) {
                const QString file = dir + QStringLiteral("fan%1_input").arg(f);
                write(file, QByteArray::number(900 + f * 100) + '\n');
                files.append(file);
            }
        }
    }
    QTemporaryDir root;
    QStringList files;
};

void readBridge(SMCReader& reader, benchmark::State& state)
{
    for (auto _ : state) {
        auto temperatures = reader.temperatures(SamplingPlan::SMCScope::full);
        auto fans = reader.fans();
        auto power = reader.power();
        benchmark::DoNotOptimize(temperatures);
        benchmark::DoNotOptimize(fans);
        benchmark::DoNotOptimize(power);
    }
}

void BM_BareFileReads(benchmark::State& state)
{
    SensorTree tree;
    std::vector<ProcFile> files;
    for (const QString& path : tree.files)
        files.emplace_back(path, 64);
    for (auto _ : state)
        for (ProcFile& file : files)
            benchmark::DoNotOptimize(file.read());
    state.counters["files"] = double(files.size());
}
BENCHMARK(BM_BareFileReads)->Unit(benchmark::kMicrosecond);

void BM_HwmonBridgeFullRead(benchmark::State& state)
{
    SensorTree tree;
    HwmonBridge::Options options;
    options.sysRoot = tree.root.path();
    SMCReader reader(std::make_unique<HwmonBridge>(options));
    state.counters["keys"] = double(reader.cpuKeys().size() + reader.gpuKeys().size()
        + reader.otherTemperatureKeys().size() + reader.fanKeys().size());
    readBridge(reader, state);
}
BENCHMARK(BM_HwmonBridgeFullRead)->Unit(benchmark::kMicrosecond);

void BM_RecordedTableFullRead(benchmark::State& state)
{
    // 290 temperatures spread over the categories, 4 fans with limits, 3 power channels, "#KEY".
    static const char* prefixes[] = {"Tp", "Te", "Tg", "TN", "TB", "Ta", "Ts", "Tm"};
    static const char alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const auto flt = [](float value) {
        QByteArray bytes(4, 0);
        std::memcpy(bytes.data(), &value, 4);
        return bytes;
    };
    const quint32 fltType = SMCKeyData::code("flt ");
    QByteArray table = "#KEY ui32 0000012c\n";
    for (int i = 0; i < 290; ++i) {
        const QByteArray name = QByteArray(prefixes[i % 8]) + alphabet[i / 62] + alphabet[i % 62];
        table += RecordedSMCTransport::line(SMCKeyData::code(name.toStdString()), fltType, flt(40 + i % 50)) + '\n';
    }
    for (int f = 0; f < 4; ++f)
        table
            += RecordedSMCTransport::line(SMCKeyData::code("F" + std::to_string(f) + "Ac"), fltType, flt(1800)) + '\n';
    for (const char* limit : {"F0Mn", "F0Mx"})
        table += RecordedSMCTransport::line(SMCKeyData::code(limit), fltType, flt(1200)) + '\n';
    for (const char* power : {"PSTR", "PPMC", "P3F2"})
        table += RecordedSMCTransport::line(SMCKeyData::code(power), fltType, flt(12.5f)) + '\n';
    SMCReader reader(std::make_unique<RecordedSMCTransport>(table));
    state.counters["keys"] = 300;
    readBridge(reader, state);
}
BENCHMARK(BM_RecordedTableFullRead)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
