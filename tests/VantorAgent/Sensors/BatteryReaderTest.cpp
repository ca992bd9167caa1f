#include "VantorAgent/Sensors/BatteryReader.h"
#include "Platform/Power/PowerSupplyRegistry.h"
#include "tests/support/FixtureTree.h"

#include <gtest/gtest.h>

namespace {

QVariantHash properties(std::initializer_list<std::pair<const char*, QVariant>> values)
{
    QVariantHash hash;
    for (const auto& [name, value] : values)
        hash.insert(QLatin1String(name), value);
    return hash;
}

} // namespace

TEST(BatteryReader, TimeRemainingIsBelievedOnlyBetweenAMinuteAndADay)
{
    const auto minutes = [](QVariant value) {
        return BatteryReader::snapshot(properties({{"CurrentCapacity", 50}, {"TimeRemaining", value}}))
            ->minutesRemaining;
    };
    EXPECT_FALSE(minutes(0));
    EXPECT_EQ(minutes(1), 1);
    EXPECT_EQ(minutes(1439.9), 1439);
    EXPECT_FALSE(minutes(1440));
    EXPECT_FALSE(minutes(65535));
    EXPECT_FALSE(minutes(-5));
    EXPECT_FALSE(minutes(QStringLiteral("90"))); // not a number: absent
}

TEST(BatteryReader, FieldsFollowTheirProperties)
{
    const auto info = BatteryReader::snapshot(
        properties({{"CurrentCapacity", 76.0}, {"MaxCapacity", 88.0}, {"CycleCount", 212.7}, {"Voltage", 11400.0},
            {"Amperage", -1523.0}, {"IsCharging", false}, {"ExternalConnected", true}, {"FullyCharged", false}}));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->chargePercent, 76.0);
    EXPECT_EQ(info->healthPercent, 88.0);
    EXPECT_EQ(info->cycleCount, 212);
    EXPECT_DOUBLE_EQ(info->volts, 11.4);
    EXPECT_DOUBLE_EQ(info->amps, -1.523);
    // Plugged in and not charging are reported as they are.
    EXPECT_FALSE(info->isCharging);
    EXPECT_TRUE(info->isPluggedIn);
    EXPECT_FALSE(info->isFullyCharged);

    const auto bare = BatteryReader::snapshot(properties({{"CurrentCapacity", 5}, {"CycleCount", 1e30}}));
    EXPECT_EQ(*bare, (BatteryInfo {5, 0, 0, 0, 0, false, false, false, std::nullopt}));
}

TEST(BatteryReader, NoChargeNoSnapshot)
{
    EXPECT_FALSE(BatteryReader::snapshot(properties({{"MaxCapacity", 90}, {"CycleCount", 3}})));
    EXPECT_FALSE(BatteryReader::snapshot(properties({{"CurrentCapacity", QStringLiteral("full")}})));

    FixtureTree desktop(QStringLiteral("sensors/desktop"));
    PowerSupplyRegistry none(desktop.root());
    EXPECT_FALSE(BatteryReader::read(none));

    FixtureTree laptop(QStringLiteral("sensors/laptop"));
    PowerSupplyRegistry registry(laptop.root());
    const auto info = BatteryReader::read(registry);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->minutesRemaining, 149);
    EXPECT_DOUBLE_EQ(info->amps, -1.523);
}
