#include "Platform/Kernel/MachineInfo.h"
#include "Platform/Kernel/MemInfoReader.h"
#include "Platform/Kernel/PerformanceCores.h"
#include "Platform/Kernel/PressureReader.h"
#include "Platform/Kernel/ProcStatReader.h"
#include "Platform/Kernel/ThermalZones.h"
#include "tests/support/FixtureTree.h"

#include <gtest/gtest.h>

namespace {

constexpr quint64 KiB = 1024;

std::string_view view(const char* text)
{
    return std::string_view(text);
}

} // namespace

TEST(ProcStatReaderTest, ReadsTheMachineAndEachProcessorFromTheFixture)
{
    ProcStatReader reader(QStringLiteral(VANTOR_TEST_DATA "/proc-sample"));
    CpuTimes whole;
    std::vector<CpuTimes> cores;
    ASSERT_TRUE(reader.read(whole, cores));
    EXPECT_EQ(whole, (CpuTimes {10000, 500, 3000, 80000, 1000, 200, 300, 100}));
    ASSERT_EQ(cores.size(), 4u);
    EXPECT_EQ(cores[1], (CpuTimes {2500, 150, 700, 20000, 250, 50, 70, 30}));
    // Guest time (the ninth field) is not added again: it is inside user already.
    EXPECT_EQ(cores[0].total(), 2500u + 100 + 800 + 20000 + 250 + 50 + 80 + 20);
    EXPECT_EQ(cores[0].idleTotal(), 20250u);
}

TEST(ProcStatReaderTest, SeesChangesToTheOpenFile)
{
    FixtureTree tree(QStringLiteral("proc-sample"));
    ProcStatReader reader(tree.root());
    CpuTimes whole;
    std::vector<CpuTimes> cores;
    ASSERT_TRUE(reader.read(whole, cores));
    tree.write(QStringLiteral("stat"), "cpu  1 2 3 4\ncpu0 1 2 3 4\nintr 0\n");
    ASSERT_TRUE(reader.read(whole, cores));
    EXPECT_EQ(whole, (CpuTimes {1, 2, 3, 4, 0, 0, 0, 0}));
    EXPECT_EQ(cores.size(), 1u);

    tree.remove(QStringLiteral("stat"));
    ProcStatReader missing(tree.root());
    EXPECT_FALSE(missing.read(whole, cores));
}

TEST(ProcStatReaderTest, RejectsGarbageWithoutTouchingTheLastGoodFigures)
{
    CpuTimes whole {7, 7, 7, 7, 7, 7, 7, 7};
    std::vector<CpuTimes> cores(2);
    EXPECT_FALSE(ProcStatReader::parse(view("cpu  1 2 x 4\n"), whole, cores));
    EXPECT_FALSE(ProcStatReader::parse(view("cpu  1 2 3\n"), whole, cores));
    EXPECT_FALSE(ProcStatReader::parse(view(""), whole, cores));
    EXPECT_FALSE(ProcStatReader::parse(view("cpu  99999999999999999999999 1 1 1\n"), whole, cores));
    EXPECT_EQ(whole, (CpuTimes {7, 7, 7, 7, 7, 7, 7, 7}));

    // A broken processor line spoils the per-processor list but not the machine's figures.
    EXPECT_TRUE(ProcStatReader::parse(view("cpu  1 2 3 4\ncpu0 1 2 3 4\ncpu1 1 -2 3 4\n"), whole, cores));
    EXPECT_EQ(whole.idle, 4u);
    EXPECT_TRUE(cores.empty());
}

TEST(ProcFileTest, ReadsAFileLargerThanItsFirstBuffer)
{
    FixtureTree tree;
    QByteArray big(100000, 'a');
    big.append("end");
    tree.write(QStringLiteral("big"), big);
    ProcFile file(tree.path(QStringLiteral("big")), 64);
    const auto text = file.read();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->size(), size_t(big.size()));
    EXPECT_TRUE(text->ends_with("end"));
    EXPECT_FALSE(ProcFile(tree.path(QStringLiteral("absent"))).read());
}

TEST(MemInfoReaderTest, ReadsMemoryPagingAndZram)
{
    MemInfoReader reader(
        QStringLiteral(VANTOR_TEST_DATA "/proc-sample"), QStringLiteral(VANTOR_TEST_DATA "/sys-sample"));
    MemInfo info;
    ASSERT_TRUE(reader.readMemInfo(info));
    EXPECT_EQ(info.memTotal, 16000000 * KiB);
    EXPECT_EQ(info.anonPages, 6000000 * KiB);
    // "Zswapped" (the uncompressed size) must not be taken for "Zswap".
    EXPECT_EQ(info.zswap, 50000 * KiB);
    EXPECT_EQ(info.secPageTables, 0u);
    EXPECT_EQ(info.swapFree, 1500000 * KiB);

    SwapPaging paging;
    ASSERT_TRUE(reader.readPaging(paging));
    EXPECT_EQ(paging, (SwapPaging {100, 200}));

    EXPECT_EQ(reader.zramDeviceCount(), 2);
    EXPECT_EQ(reader.zramCompressedBytes(), 2048000u + 1024000u);
}

TEST(MemInfoReaderTest, ToleratesOldKernelsAndRejectsGarbage)
{
    MemInfo info;
    info.memTotal = 42;
    EXPECT_FALSE(MemInfoReader::parseMemInfo(view("MemFree: 10 kB\n"), info));
    EXPECT_FALSE(MemInfoReader::parseMemInfo(view("MemTotal: lots kB\n"), info));
    EXPECT_EQ(info.memTotal, 42u);
    // Fields an older kernel lacks count 0; absurd values saturate instead of wrapping.
    ASSERT_TRUE(MemInfoReader::parseMemInfo(view("MemTotal: 100 kB\nPercpu: 18446744073709551615 kB"), info));
    EXPECT_EQ(info.memTotal, 100 * KiB);
    EXPECT_EQ(info.shmem, 0u);
    EXPECT_EQ(info.percpu, ~quint64(0));

    SwapPaging paging {5, 6};
    EXPECT_FALSE(MemInfoReader::parsePaging(view("pswpin 1\n"), paging));
    EXPECT_FALSE(MemInfoReader::parsePaging(view("pswpin 1\npswpout x\n"), paging));
    EXPECT_EQ(paging, (SwapPaging {5, 6}));
    EXPECT_FALSE(MemInfoReader::parseZramCompressed(view("garbage")));
    EXPECT_FALSE(MemInfoReader::parseZramCompressed(view("12")));
}

TEST(PressureReaderTest, ReadsTheTenSecondAverages)
{
    const auto stalls = PressureReader::parse(
        view("some avg10=12.50 avg60=3.00 avg300=1.00 total=99\nfull avg10=0.75 avg60=0.00 avg300=0.00 total=1\n"));
    ASSERT_TRUE(stalls);
    EXPECT_DOUBLE_EQ(stalls->someAvg10, 12.5);
    EXPECT_DOUBLE_EQ(stalls->fullAvg10, 0.75);

    const auto someOnly = PressureReader::parse(view("some avg10=1.00 avg60=0.00 avg300=0.00 total=0\n"));
    ASSERT_TRUE(someOnly);
    EXPECT_EQ(someOnly->fullAvg10, 0.0);

    EXPECT_FALSE(PressureReader::parse(view("")));
    EXPECT_FALSE(PressureReader::parse(view("some avg10=-1 avg60=0\n")));
    EXPECT_FALSE(PressureReader::parse(view("some total=5\n")));
    EXPECT_FALSE(PressureReader(QStringLiteral("/nonexistent")).read());
}

TEST(ThermalZonesTest, JudgesTheHottestZoneThatHasTripPoints)
{
    FixtureTree tree(QStringLiteral("sys-sample"));
    ThermalZones zones(tree.root());
    // Zone 1 has no trip points and zone 2 only a fan trip and an empty slot: only zone 0 counts.
    EXPECT_EQ(zones.zoneCount(), 1);
    EXPECT_EQ(zones.read(), ThermalState::nominal);
    tree.write(QStringLiteral("class/thermal/thermal_zone0/temp"), "90000\n");
    EXPECT_EQ(zones.read(), ThermalState::fair);
    tree.write(QStringLiteral("class/thermal/thermal_zone0/temp"), "105000\n");
    EXPECT_EQ(zones.read(), ThermalState::critical);
    tree.write(QStringLiteral("class/thermal/thermal_zone0/temp"), "garbage\n");
    EXPECT_EQ(zones.read(), ThermalState::unknown);

    EXPECT_EQ(ThermalZones(tree.path(QStringLiteral("nothing"))).read(), ThermalState::unknown);
}

TEST(ThermalZonesTest, HotTripMeansSerious)
{
    ThermalZones::Trips trips;
    trips.hot = 80000;
    trips.critical = 100000;
    EXPECT_EQ(ThermalZones::judge(79999, trips), ThermalState::nominal);
    EXPECT_EQ(ThermalZones::judge(80000, trips), ThermalState::serious);
    EXPECT_EQ(ThermalZones::judge(100000, trips), ThermalState::critical);
}

TEST(MachineInfoTest, NamesTheProcessorAndItsMemory)
{
    EXPECT_EQ(MachineInfo::processorName(QStringLiteral(VANTOR_TEST_DATA "/proc-sample")),
        QStringLiteral("Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz"));
    EXPECT_EQ(MachineInfo::physicalMemory(QStringLiteral(VANTOR_TEST_DATA "/proc-sample")), 16000000 * KiB);

    // ARM boards without a model name in cpuinfo: the device-tree model, NUL-terminated.
    FixtureTree tree;
    tree.write(QStringLiteral("cpuinfo"), "processor\t: 0\nBogoMIPS\t: 108.00\n");
    tree.write(QStringLiteral("device-tree/model"), QByteArray("Raspberry Pi 5 Model B Rev 1.0\0", 31));
    EXPECT_EQ(MachineInfo::processorName(tree.root()), QStringLiteral("Raspberry Pi 5 Model B Rev 1.0"));

    tree.remove(QStringLiteral("device-tree/model"));
    EXPECT_FALSE(MachineInfo::processorName(tree.root()));
    // Without a readable meminfo the C library's figure is used.
    EXPECT_GT(MachineInfo::physicalMemory(tree.root()), 0u);
}

TEST(PerformanceCoresTest, FindsTheFastestKindOfCore)
{
    FixtureTree hybrid;
    hybrid.write(QStringLiteral("devices/cpu_core/cpus"), "0-3,8\n");
    hybrid.write(QStringLiteral("devices/cpu_atom/cpus"), "4-7\n");
    EXPECT_EQ(PerformanceCores::cpus(hybrid.root()), (QList<int> {0, 1, 2, 3, 8}));

    FixtureTree arm;
    for (int cpu = 0; cpu < 6; ++cpu)
        arm.write(QStringLiteral("devices/system/cpu/cpu%1/cpu_capacity").arg(cpu), cpu < 4 ? "446\n" : "1024\n");
    EXPECT_EQ(PerformanceCores::cpus(arm.root()), (QList<int> {4, 5}));

    // One kind of core, or nothing readable: no performance cores to single out.
    FixtureTree uniform;
    for (int cpu = 0; cpu < 2; ++cpu)
        uniform.write(QStringLiteral("devices/system/cpu/cpu%1/cpu_capacity").arg(cpu), "1024\n");
    EXPECT_TRUE(PerformanceCores::cpus(uniform.root()).isEmpty());
    EXPECT_TRUE(PerformanceCores::cpus(QStringLiteral("/nonexistent")).isEmpty());
}
