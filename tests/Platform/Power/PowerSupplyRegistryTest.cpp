#include "Platform/Power/PowerSupplyRegistry.h"
#include "tests/support/FixtureTree.h"

#include <gtest/gtest.h>

TEST(PowerSupplyRegistry, PresentsADischargingBatteryUnderTheRegistryNames)
{
    FixtureTree tree(QStringLiteral("sensors/laptop"));
    PowerSupplyRegistry registry(tree.root());
    const auto properties = registry.batteryProperties();
    ASSERT_TRUE(properties);
    EXPECT_EQ(properties->value(QStringLiteral("CurrentCapacity")), 76.0);
    EXPECT_EQ(properties->value(QStringLiteral("MaxCapacity")), 88.0); // 5.0 of 5.7 Ah
    EXPECT_EQ(properties->value(QStringLiteral("CycleCount")), 212.0);
    EXPECT_EQ(properties->value(QStringLiteral("Voltage")), 11400.0);
    EXPECT_EQ(properties->value(QStringLiteral("Amperage")), -1523.0);
    EXPECT_EQ(properties->value(QStringLiteral("IsCharging")), false);
    EXPECT_EQ(properties->value(QStringLiteral("FullyCharged")), false);
    EXPECT_EQ(properties->value(QStringLiteral("ExternalConnected")), false);
    EXPECT_NEAR(properties->value(QStringLiteral("TimeRemaining")).toDouble(), 3.8 / 1.523 * 60, 1e-6);
    EXPECT_NEAR(*registry.dischargeWatts(), 1.523 * 11.4, 1e-9);
}

TEST(PowerSupplyRegistry, ChargingPluggedInAndEnergyReportingBatteries)
{
    FixtureTree tree(QStringLiteral("sensors/laptop"));
    tree.write(QStringLiteral("class/power_supply/BAT0/status"), "Charging\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/current_now"), "-1523000\n"); // a driver that signs it
    tree.write(QStringLiteral("class/power_supply/AC/online"), "1\n");
    PowerSupplyRegistry registry(tree.root());
    auto properties = *registry.batteryProperties();
    EXPECT_EQ(properties.value(QStringLiteral("Amperage")), 1523.0);
    EXPECT_EQ(properties.value(QStringLiteral("IsCharging")), true);
    EXPECT_EQ(properties.value(QStringLiteral("ExternalConnected")), true);
    EXPECT_NEAR(properties.value(QStringLiteral("TimeRemaining")).toDouble(), 1.2 / 1.523 * 60, 1e-6);
    EXPECT_FALSE(registry.dischargeWatts());

    // Plugged in but not charging: no estimate, and neither flag is inferred from the other.
    tree.write(QStringLiteral("class/power_supply/BAT0/status"), "Not charging\n");
    properties = *registry.batteryProperties();
    EXPECT_EQ(properties.value(QStringLiteral("IsCharging")), false);
    EXPECT_EQ(properties.value(QStringLiteral("ExternalConnected")), true);
    EXPECT_FALSE(properties.contains(QStringLiteral("TimeRemaining")));

    // Energy instead of charge; no capacity file; no current, only power. (Another battery: the
    // files a driver offers do not change under a registry.)
    for (const char* name : {"charge_now", "charge_full", "charge_full_design", "current_now", "capacity"})
        tree.remove(QStringLiteral("class/power_supply/BAT0/") + QLatin1String(name));
    tree.write(QStringLiteral("class/power_supply/BAT0/status"), "Discharging\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/energy_now"), "30000000\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/energy_full"), "40000000\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/energy_full_design"), "50000000\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/power_now"), "10000000\n");
    PowerSupplyRegistry energyRegistry(tree.root());
    properties = *energyRegistry.batteryProperties();
    EXPECT_EQ(properties.value(QStringLiteral("CurrentCapacity")), 75.0);
    EXPECT_EQ(properties.value(QStringLiteral("MaxCapacity")), 80.0);
    EXPECT_NEAR(properties.value(QStringLiteral("Amperage")).toDouble(), -10.0 / 11.4 * 1000, 1e-6);
    EXPECT_NEAR(properties.value(QStringLiteral("TimeRemaining")).toDouble(), 180.0, 1e-9);
    EXPECT_DOUBLE_EQ(*energyRegistry.dischargeWatts(), 10.0);
}

TEST(PowerSupplyRegistry, APeripheralBatteryIsNotTheMachines)
{
    FixtureTree tree(QStringLiteral("sensors/laptop"));
    tree.remove(QStringLiteral("class/power_supply/BAT0/type"));
    PowerSupplyRegistry registry(tree.root());
    EXPECT_FALSE(registry.hasBattery());
    EXPECT_FALSE(registry.batteryProperties());

    FixtureTree desktop(QStringLiteral("sensors/desktop"));
    EXPECT_FALSE(PowerSupplyRegistry(desktop.root()).batteryProperties());
}

TEST(PowerSupplyRegistry, GarbageInTheFilesIsAbsentNotACrash)
{
    FixtureTree tree(QStringLiteral("sensors/laptop"));
    tree.write(QStringLiteral("class/power_supply/BAT0/current_now"), "-9223372036854775808\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/charge_now"), "-9223372036854775808\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/charge_full"), "9223372036854775807\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/capacity"), "lots\n");
    tree.write(QStringLiteral("class/power_supply/BAT0/cycle_count"), "12 13\n");
    PowerSupplyRegistry registry(tree.root());
    const auto properties = *registry.batteryProperties();
    EXPECT_FALSE(properties.contains(QStringLiteral("CycleCount")));
    EXPECT_TRUE(properties.contains(QStringLiteral("CurrentCapacity"))); // from charge_now ÷ charge_full
    EXPECT_GT(properties.value(QStringLiteral("Amperage")).toDouble(), -1e20);
}
