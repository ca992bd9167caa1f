#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/IsolatedSettings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using S = MonitorSection;
namespace Key = SharedSettings::Key;

PreferencesDomain& store()
{
    return SharedSettings::store();
}

QStringList keys(const QList<MonitorSection>& sections)
{
    QStringList result;
    for (const MonitorSection section : sections)
        result.append(key(section));
    return result;
}

QStringList split(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(','));
}

} // namespace

TEST(MeterAccent, ParsesPresetsAndCustomColours)
{
    for (const MeterAccent& preset : MeterAccent::presets())
        EXPECT_EQ(MeterAccent::fromRawValue(preset.rawValue()), preset) << preset.rawValue().toStdString();
    EXPECT_FALSE(MeterAccent::fromRawValue(u"Signal"));
    EXPECT_FALSE(MeterAccent::fromRawValue(u""));

    const auto clamped = MeterAccent::fromRawValue(u"custom:srgb:1.5,-2,0.25");
    ASSERT_TRUE(clamped);
    EXPECT_EQ(*clamped, MeterAccent::custom(1, 0, 0.25));
    EXPECT_TRUE(clamped->isCustom());
    EXPECT_EQ(clamped->rawValue(), QStringLiteral("custom:srgb:1.0000,0.0000,0.2500"));
    EXPECT_EQ(MeterAccent::fromRawValue(clamped->rawValue()), clamped);

    // Pieces that are no number are dropped before counting.
    EXPECT_EQ(MeterAccent::fromRawValue(u"custom:srgb:0.1,x,0.2,,0.3"), MeterAccent::custom(0.1, 0.2, 0.3));
    for (const char16_t* bad : {u"custom:srgb:0.1,0.2", u"custom:srgb:0.1,0.2,inf", u"custom:srgb:nan,0,0",
             u"custom:srgb:0.1,0.2,0.3,0.4", u"custom:srgb:", u"custom:rgb:0.1,0.2,0.3", u"CUSTOM:srgb:0,0,0"})
        EXPECT_FALSE(MeterAccent::fromRawValue(QStringView(bad))) << QString::fromUtf16(bad).toStdString();
}

TEST(MeterAccent, PickedColoursSurviveTheRoundTrip)
{
    const auto picked = MeterAccent::custom(QColor::fromRgbF(0.123456f, 0.5f, 0.99999f));
    ASSERT_TRUE(picked);
    EXPECT_EQ(MeterAccent::fromRawValue(picked->rawValue()), picked);
    EXPECT_EQ(picked->rawValue(), QStringLiteral("custom:srgb:0.1235,0.5000,1.0000"));
    EXPECT_FALSE(MeterAccent::custom(QColor()));

    const QColor signal = MeterAccent(MeterAccent::Preset::signal).color();
    EXPECT_NEAR(signal.redF(), 0.27, 0.003);
    EXPECT_NEAR(signal.greenF(), 0.72, 0.003);
    EXPECT_NEAR(signal.blueF(), 0.60, 0.003);
    EXPECT_EQ(signal.alphaF(), 1.0f);
}

TEST(MeterSettings, OrderFromText)
{
    EXPECT_EQ(keys(MeterSettings::order(u"cpu,cpu,gpu")), split("cpu,sensors,storage,memory"));
    EXPECT_EQ(keys(MeterSettings::order(u"")), split("sensors,storage,memory,cpu"));
    EXPECT_EQ(keys(MeterSettings::order(u",,memory,,")), split("memory,sensors,storage,cpu"));
    EXPECT_EQ(keys(MeterSettings::order(u" cpu,CPU,storage")), split("storage,sensors,memory,cpu"));
}

TEST(MeterSettings, MergeKeepsHiddenSectionsInPlace)
{
    const QList<S> stored {S::storage, S::sensors, S::memory, S::cpu};
    auto all = [](S) { return true; };
    auto none = [](S) { return false; };
    auto memoryHidden = [](S section) { return section != S::memory; };

    EXPECT_EQ(keys(MeterSettings::merged({}, stored, all)), split("cpu,memory,storage,sensors"));
    EXPECT_EQ(MeterSettings::merged({}, stored, none), stored);
    EXPECT_EQ(keys(MeterSettings::merged({S::cpu, S::storage, S::sensors}, stored, memoryHidden)),
        split("cpu,storage,memory,sensors"));
    // Fewer visible sections than shown places: the missing ones come back in natural order.
    EXPECT_EQ(keys(MeterSettings::merged({S::sensors, S::memory}, stored, all)), split("sensors,memory,cpu,storage"));
    // A visible order that disagrees with the predicate never yields a section twice.
    EXPECT_EQ(keys(MeterSettings::merged(
                  {S::cpu, S::sensors, S::storage}, stored, [](S section) { return section == S::memory; })),
        split("storage,sensors,cpu,memory"));
    EXPECT_EQ(keys(MeterSettings::merged({S::cpu, S::cpu}, stored, all)), split("cpu,memory,storage,sensors"));
}

TEST(MeterSettings, SetMenuBarOrderStoresTheMergedText)
{
    IsolatedSettings settings;
    SharedSettings::registerDefaults();
    store().setBool(Key::showMemoryItem, false);
    MeterSettings::setMenuBarOrder({S::cpu, S::storage, S::sensors});
    EXPECT_EQ(store().stringForKey(Key::menuBarOrder), QStringLiteral("cpu,storage,memory,sensors"));
    EXPECT_EQ(keys(MeterSettings::menuBarOrder()), split("cpu,storage,memory,sensors"));
}

TEST(MeterSettings, MigrateAccentsFillsOnlyAbsentSlots)
{
    {
        IsolatedSettings settings;
        SharedSettings::registerDefaults();
        MeterSettings::migrateAccents();
        EXPECT_EQ(store().stringForKey(Key::cpuAccent), QStringLiteral("signal"));
        EXPECT_EQ(store().stringForKey(Key::cpuFastCoreAccent), QStringLiteral("indigo"));
        EXPECT_EQ(store().stringForKey(Key::memoryAccent), QStringLiteral("signal"));
        EXPECT_EQ(store().stringForKey(Key::storageAccent), QStringLiteral("signal"));
    }
    {
        IsolatedSettings settings;
        SharedSettings::registerDefaults();
        store().setString(Key::accentChoice, QStringLiteral("custom:srgb:0.5,0.25,1"));
        store().setString(Key::performanceCoreAccent, QStringLiteral("no such accent"));
        store().setString(Key::cpuAccent, QStringLiteral("teal"));
        store().setBool(Key::storageAccent, true); // any stored value counts as present
        MeterSettings::migrateAccents();
        const QString custom = QStringLiteral("custom:srgb:0.5000,0.2500,1.0000");
        EXPECT_EQ(store().stringForKey(Key::cpuAccent), QStringLiteral("teal"));
        EXPECT_EQ(store().stringForKey(Key::cpuFastCoreAccent), custom);
        EXPECT_EQ(store().stringForKey(Key::memoryAccent), custom);
        EXPECT_EQ(store().persistentObjectForKey(Key::storageAccent), QVariant(true));
        // Unparseable accents read as signal; the legacy keys stay.
        EXPECT_EQ(MeterSettings::accent(MeterAccentSlot::storage), MeterAccent(MeterAccent::Preset::signal));
        EXPECT_TRUE(store().persistentObjectForKey(Key::accentChoice).isValid());
    }
}

TEST(MeterSettings, ReadoutsAndVisibilityFallBackWithoutRewriting)
{
    IsolatedSettings settings;
    SharedSettings::registerDefaults();
    // Nothing stored: the registered legacy flag (true) gives usage.
    EXPECT_EQ(MeterSettings::memoryReadout(), MemoryReadout::usage);
    EXPECT_EQ(MeterSettings::storageReadout(), StorageReadout::usage);
    store().setBool(Key::showMemoryPercent, false);
    EXPECT_EQ(MeterSettings::memoryReadout(), MemoryReadout::off);
    store().setString(Key::memoryReadout, QStringLiteral("bogus"));
    EXPECT_EQ(MeterSettings::memoryReadout(), MemoryReadout::off);
    EXPECT_EQ(store().stringForKey(Key::memoryReadout), QStringLiteral("bogus"));
    store().setString(Key::memoryReadout, QStringLiteral("swap"));
    EXPECT_EQ(MeterSettings::memoryReadout(), MemoryReadout::swap);
    // Only a boolean true counts for the legacy flag.
    store().setString(Key::showMemoryPercent, QStringLiteral("true"));
    EXPECT_EQ(MeterSettings::storageReadout(), StorageReadout::off);

    store().setString(Key::cpuReadout, QStringLiteral("Usage"));
    EXPECT_EQ(MeterSettings::cpuReadout(), CPUReadout::temperature);
    store().setString(Key::meterStyle, QStringLiteral("WAVE"));
    EXPECT_EQ(MeterSettings::style(), MeterStyle::bars);
    store().setString(Key::meterStyle, QStringLiteral("wave"));
    EXPECT_EQ(MeterSettings::style(), MeterStyle::wave);

    // Hidden only by a boolean false.
    EXPECT_TRUE(MeterSettings::showsItem(S::cpu));
    store().setBool(Key::showCPUItem, false);
    EXPECT_FALSE(MeterSettings::showsItem(S::cpu));
    store().setString(Key::showCPUItem, QStringLiteral("false"));
    EXPECT_TRUE(MeterSettings::showsItem(S::cpu));
    store().setInteger(Key::showCPUItem, 0);
    EXPECT_TRUE(MeterSettings::showsItem(S::cpu));
}
