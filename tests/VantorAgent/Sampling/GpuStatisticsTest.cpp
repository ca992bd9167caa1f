#include "VantorAgent/Sampling/GpuStatistics.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace {

std::optional<double> usage(const QVariant& value)
{
    return GpuStatistics::utilization({{u"Device Utilization %"_s, value}}, {"Device Utilization %"_L1});
}

} // namespace

TEST(GpuStatisticsTest, UtilizationIsAPercentageAboveOneAndAFractionBelow)
{
    EXPECT_DOUBLE_EQ(*usage(37), 0.37);
    EXPECT_DOUBLE_EQ(*usage(0.37), 0.37);
    EXPECT_DOUBLE_EQ(*usage(1), 1.0);
    EXPECT_DOUBLE_EQ(*usage(1.5), 0.015);
    EXPECT_EQ(*usage(250), 1.0);
    EXPECT_EQ(*usage(-3), 0.0);
    EXPECT_EQ(*usage(qlonglong(0)), 0.0);
    EXPECT_FALSE(usage(u"37"_s));
    EXPECT_FALSE(usage(std::numeric_limits<double>::quiet_NaN()));

    // A preferred key that is missing or holds a text falls through to the next.
    const QVariantMap statistics {{u"Device Utilization"_s, u"busy"_s}, {u"GPU Activity(%)"_s, 0.37}};
    EXPECT_DOUBLE_EQ(*GpuStatistics::utilization(
                         statistics, {"Device Utilization %"_L1, "Device Utilization"_L1, "GPU Activity(%)"_L1}),
        0.37);
    EXPECT_FALSE(GpuStatistics::utilization(statistics, {"Tiler Utilization %"_L1}));
}

TEST(GpuStatisticsTest, TheFirstKeyWithANumberDecidesTheBytes)
{
    const GpuStatistics::Keys keys {"Alloc system memory"_L1, "Allocated System Memory"_L1, "gartUsedBytes"_L1};
    EXPECT_FALSE(GpuStatistics::bytes({{u"Alloc system memory"_s, -1}, {u"gartUsedBytes"_s, 4096}}, keys));
    EXPECT_EQ(GpuStatistics::bytes({{u"gartUsedBytes"_s, 4096.9}}, keys), 4096u);
    EXPECT_EQ(GpuStatistics::bytes({{u"gartUsedBytes"_s, 0}}, keys), 0u);
    EXPECT_EQ(GpuStatistics::bytes({{u"gartUsedBytes"_s, 1e30}}, keys), ~quint64(0));
    EXPECT_FALSE(GpuStatistics::bytes({}, keys));
}

TEST(GpuStatisticsTest, ALaterAcceleratorWinsUnderTheSameKey)
{
    const QVariantMap merged = GpuStatistics::merged({
        {{u"Device Utilization %"_s, 10}, {u"In use system memory"_s, 100}},
        {},
        {{u"Device Utilization %"_s, 80}},
    });
    EXPECT_EQ(merged.value(u"Device Utilization %"_s).toInt(), 80);
    EXPECT_EQ(merged.value(u"In use system memory"_s).toInt(), 100);
}
