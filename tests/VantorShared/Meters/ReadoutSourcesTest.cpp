#include "VantorShared/Meters/ReadoutSources.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/IsolatedSettings.h"

#include <gtest/gtest.h>

namespace {

class ReadoutSourcesTest : public ::testing::Test {
protected:
    void TearDown() override { ReadoutSources::reset(); }
    IsolatedSettings settings;
};

ReadoutSources nothing()
{
    return ReadoutSources {false, false, false, false, false, false};
}

} // namespace

TEST_F(ReadoutSourcesTest, DefaultsGiveWayWhenTheMachineHasNoSourceForThem)
{
    using namespace SharedSettings;
    // Nothing learnt yet (the settings app): the defaults stand.
    EXPECT_EQ(MeterSettings::cpuReadout(), CPUReadout::temperature);
    EXPECT_EQ(MeterSettings::sensorsReadout(), SensorsReadout::power);

    // A virtual machine: no sensors at all.
    ReadoutSources::setCurrent(nothing());
    EXPECT_EQ(MeterSettings::cpuReadout(), CPUReadout::usage);
    EXPECT_EQ(MeterSettings::sensorsReadout(), SensorsReadout::off);

    // A desktop with temperatures but no power meter.
    ReadoutSources desktop = nothing();
    desktop.cpuTemperature = desktop.hottestTemperature = true;
    ReadoutSources::setCurrent(desktop);
    EXPECT_EQ(MeterSettings::cpuReadout(), CPUReadout::temperature);
    EXPECT_EQ(MeterSettings::sensorsReadout(), SensorsReadout::hottest);

    // A stored value that means nothing counts as no choice.
    store().setString(Key::sensorsReadout, QStringLiteral("Power"));
    EXPECT_EQ(MeterSettings::sensorsReadout(), SensorsReadout::hottest);
}

TEST_F(ReadoutSourcesTest, AChosenReadoutIsKeptEvenWithNothingToShow)
{
    using namespace SharedSettings;
    ReadoutSources::setCurrent(nothing());
    store().setString(Key::cpuReadout, QStringLiteral("temperature"));
    store().setString(Key::sensorsReadout, QStringLiteral("fan"));
    EXPECT_EQ(MeterSettings::cpuReadout(), CPUReadout::temperature);
    EXPECT_EQ(MeterSettings::sensorsReadout(), SensorsReadout::fan);
    // "off" is a choice too.
    store().setString(Key::cpuReadout, QStringLiteral("off"));
    EXPECT_EQ(MeterSettings::cpuReadout(), CPUReadout::off);
}

TEST_F(ReadoutSourcesTest, ThePublishedListRoundTripsAndOnlyAListCountsAsAnAnswer)
{
    using namespace SharedSettings;
    // A desktop without sensors or swap: only what every machine has.
    ReadoutSources bare = nothing();
    bare.swap = false;
    const QStringList published = bare.published();
    EXPECT_EQ(published,
        (QStringList {QStringLiteral("cpu.usage"), QStringLiteral("memory.usage"), QStringLiteral("memory.pressure"),
            QStringLiteral("storage.usage"), QStringLiteral("storage.free")}));
    EXPECT_FALSE(bare.hasSource(MonitorSection::sensors));
    EXPECT_EQ(ReadoutSources::fromPublished(published), bare);

    // A laptop on mains: its battery's draw is a source even while it has no figure.
    ReadoutSources laptop = nothing();
    laptop.systemPower = laptop.hottestTemperature = true;
    laptop.systemPowerNow = false;
    EXPECT_TRUE(laptop.published().contains(QStringLiteral("sensors.power")));
    EXPECT_FALSE(laptop.supports(SensorsReadout::power));
    EXPECT_TRUE(laptop.hasSource(MonitorSection::sensors));
    EXPECT_EQ(ReadoutSources::fromPublished(laptop.published()).systemPowerNow, true);

    // The settings app adopts what the agent wrote; nothing written, or garbage, means "not
    // known yet": everything counts as available.
    EXPECT_FALSE(ReadoutSources::adoptPublished());
    store().setStringList(Key::availableReadouts, published);
    EXPECT_TRUE(ReadoutSources::adoptPublished());
    EXPECT_EQ(ReadoutSources::current(), bare);
    EXPECT_EQ(MeterSettings::sensorsReadout(), SensorsReadout::off);
    EXPECT_FALSE(ReadoutSources::adoptPublished()); // unchanged
    store().setString(Key::availableReadouts, QStringLiteral("cpu.usage"));
    EXPECT_TRUE(ReadoutSources::adoptPublished());
    EXPECT_EQ(ReadoutSources::current(), ReadoutSources());
    // Unknown texts are ignored, not fatal.
    EXPECT_EQ(ReadoutSources::fromPublished({QStringLiteral("sensors.fan"), QStringLiteral("x.y"), QString()}).fanSpeed,
        true);
}
