// Another machine's last hour comes from a server we do not control: whatever its answers hold,
// the figures the panel shows stay in range and in a sensible order.
#include "VantorAgent/Machines/MachineHistory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

PrometheusSeries series(QMap<QString, QString> labels, QList<double> values)
{
    PrometheusSeries s;
    s.labels = std::move(labels);
    double time = 1700000000;
    for (double value : values)
        s.points.append({time += 30, value});
    return s;
}

PrometheusResult matrix(QList<PrometheusSeries> all)
{
    PrometheusResult result;
    result.matrix = std::move(all);
    return result;
}

PrometheusSeries named(const QString& name, QList<double> values)
{
    return series({{QStringLiteral("__name__"), name}}, std::move(values));
}

TEST(MachineHistory, ProcessorAndLoadFiguresStayInRangeAndInOrder)
{
    MachineHistory h;
    h.setCPU(matrix({series({}, {0.25, -0.5, 1.5, nan, infinity}), series({}, {0.9})}));
    EXPECT_EQ(h.cpu, (QList<double> {0.25, 0, 1, 0, 0})) << "the first series only, each a fraction";

    // Core numbers compare as numbers; a series without a usable number or points is left out.
    h.setCores(matrix({series({{QStringLiteral("cpu"), QStringLiteral("10")}}, {0.1}),
        series({{QStringLiteral("cpu"), QStringLiteral("9")}}, {0.2, 2.0}),
        series({{QStringLiteral("cpu"), QStringLiteral("x")}}, {0.3}),
        series({{QStringLiteral("cpu"), QStringLiteral("1")}}, {})}));
    EXPECT_EQ(h.coreUsages, (QList<double> {1.0, 0.1}));

    h.setLoad(matrix({named(QStringLiteral("node_load5"), {1.5, -1, nan}), named(QStringLiteral("node_load1"), {2}),
        named(QStringLiteral("node_boot_time_seconds"), {7})}));
    EXPECT_EQ(h.load1, QList<double> {2});
    EXPECT_EQ(h.load5, (QList<double> {1.5, 0, 0}));
    EXPECT_TRUE(h.load15.isEmpty());

    // A later answer replaces the earlier one rather than adding to it.
    h.setLoad(matrix({}));
    h.setCores(matrix({}));
    EXPECT_TRUE(h.load1.isEmpty() && h.load5.isEmpty() && h.coreUsages.isEmpty());
    EXPECT_TRUE(MachineHistory::values(matrix({})).isEmpty());
}

TEST(MachineHistory, MemoryAndStorageAreBoundedWhateverTheServerSays)
{
    MachineHistory h;
    const auto memory = [&](QList<std::pair<QString, double>> fields) {
        QList<PrometheusSeries> all;
        for (const auto& [field, value] : fields)
            all.append(named(QStringLiteral("node_memory_%1_bytes").arg(field), {value}));
        h.setMemory(matrix(all));
    };

    memory(
        {{QStringLiteral("MemTotal"), 16e9}, {QStringLiteral("MemAvailable"), 6e9}, {QStringLiteral("SUnreclaim"), 1e9},
            {QStringLiteral("KernelStack"), 0.5e9}, {QStringLiteral("PageTables"), 0.5e9},
            {QStringLiteral("Cached"), 5e9}, {QStringLiteral("Buffers"), 1e9}, {QStringLiteral("SReclaimable"), 1e9},
            {QStringLiteral("Shmem"), 2e9}, {QStringLiteral("SwapTotal"), 4e9}, {QStringLiteral("SwapFree"), 3e9}});
    ASSERT_TRUE(h.memory);
    EXPECT_DOUBLE_EQ(h.memory->used(), 10e9);
    EXPECT_DOUBLE_EQ(h.memory->wired, 2e9);
    EXPECT_DOUBLE_EQ(h.memory->active(), 8e9);
    EXPECT_DOUBLE_EQ(h.memory->cache, 5e9);
    EXPECT_DOUBLE_EQ(h.memory->swapFree, 3e9);

    // Nonsense: more available and free than there is, kernel memory beyond what is used, cache
    // beyond the total, and counts far past what a byte count can hold. Every figure the panel
    // turns into a 64-bit byte count stays within one.
    memory({{QStringLiteral("MemTotal"), 1e300}, {QStringLiteral("MemAvailable"), infinity},
        {QStringLiteral("SUnreclaim"), 1e300}, {QStringLiteral("Cached"), 1e300}, {QStringLiteral("SwapTotal"), 1e30},
        {QStringLiteral("SwapFree"), 1e31}});
    ASSERT_TRUE(h.memory);
    const double most = double(std::numeric_limits<qint64>::max());
    EXPECT_LT(h.memory->total, most);
    EXPECT_LE(h.memory->available, h.memory->total);
    EXPECT_LE(h.memory->wired, h.memory->used());
    EXPECT_LE(h.memory->cache, h.memory->total);
    EXPECT_LT(h.memory->swapTotal, most);
    EXPECT_LE(h.memory->swapFree, h.memory->swapTotal);

    memory({{QStringLiteral("MemTotal"), 8e9}, {QStringLiteral("MemAvailable"), 9e9}, {QStringLiteral("Shmem"), 7e9}});
    ASSERT_TRUE(h.memory);
    EXPECT_DOUBLE_EQ(h.memory->used(), 0);
    EXPECT_DOUBLE_EQ(h.memory->cache, 0);

    // Without a total there is nothing to show: an earlier reading is dropped, not kept stale.
    memory({{QStringLiteral("MemTotal"), -1}, {QStringLiteral("MemAvailable"), 1e9}});
    EXPECT_FALSE(h.memory);

    const auto storage = [&](double size, double available) {
        h.setStorage(matrix({named(QStringLiteral("node_filesystem_size_bytes"), {size}),
            named(QStringLiteral("node_filesystem_avail_bytes"), {available})}));
    };
    storage(500e9, 120e9);
    ASSERT_TRUE(h.storage);
    EXPECT_DOUBLE_EQ(h.storage->available, 120e9);
    storage(1e300, 1e301);
    ASSERT_TRUE(h.storage);
    EXPECT_LT(h.storage->size, most);
    EXPECT_LE(h.storage->available, h.storage->size);
    storage(100, -5);
    ASSERT_TRUE(h.storage);
    EXPECT_DOUBLE_EQ(h.storage->available, 0);
    storage(nan, 1);
    EXPECT_FALSE(h.storage);
}

TEST(MachineHistory, SensorsAreNamedHottestFirstAndImplausibleOnesLeftOut)
{
    MachineHistory h;
    h.setTemperatures(matrix({
        series({{QStringLiteral("chip"), QStringLiteral("platform_coretemp_0")},
                   {QStringLiteral("sensor"), QStringLiteral("temp1")}},
            {40, 55}),
        series({{QStringLiteral("label"), QStringLiteral("Package id 0")}}, {71}),
        series({{QStringLiteral("sensor"), QStringLiteral("temp9")}}, {-70}),
        series({{QStringLiteral("sensor"), QStringLiteral("temp8")}}, {3000}),
        series({{QStringLiteral("label"), QString(200, QLatin1Char('x'))}}, {nan}),
        series({{QStringLiteral("sensor"), QStringLiteral("temp7")}}, {}),
        series({{QStringLiteral("label"), QString(200, QLatin1Char('y'))}}, {20}),
    }));
    ASSERT_EQ(h.temperatures.size(), 3);
    EXPECT_EQ(h.temperatures[0].name, "Package id 0");
    EXPECT_EQ(h.temperatures[0].value, 71);
    EXPECT_EQ(h.temperatures[1].name, "0 temp1");
    EXPECT_EQ(h.temperatures[1].value, 55);
    EXPECT_EQ(h.temperatures[2].name.size(), 60) << "a long name is cut";

    h.setFans(matrix({series({{QStringLiteral("label"), QStringLiteral("slow")}}, {900}),
        series({{QStringLiteral("label"), QStringLiteral("fast")}}, {2400}),
        series({{QStringLiteral("label"), QStringLiteral("broken")}}, {-1})}));
    ASSERT_EQ(h.fans.size(), 2);
    EXPECT_EQ(h.fans[0].name, "fast");
    EXPECT_EQ(h.fans[1].name, "slow");
}

} // namespace
