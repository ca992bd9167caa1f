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
