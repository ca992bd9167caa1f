#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/AccentSwatch.h"
#include "Vantor/Pages/GeneralPage.h"
#include "Vantor/Pages/SegmentedControl.h"
#include "Vantor/Pages/StorePicker.h"
#include "Vantor/Pages/SwitchButton.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/IsolatedSettings.h"

#include <QPushButton>

#include <gtest/gtest.h>

namespace {

namespace Key = SharedSettings::Key;

class StoreControlsTest : public ::testing::Test {
protected:
    StoreControlsTest() { SharedSettings::prepareAtLaunch(); }

    IsolatedSettings settings;
};

StorePicker* memoryReadoutPicker()
{
    return new StorePicker(Key::memoryReadout,
        {{QStringLiteral("None"), QStringLiteral("off")}, {QStringLiteral("Usage"), QStringLiteral("usage")},
            {QStringLiteral("Pressure"), QStringLiteral("pressure")}},
        [] { return rawValue(MeterSettings::memoryReadout()); });
}

} // namespace

TEST_F(StoreControlsTest, UnreadableValuesShowTheirEffectiveValueAndAreNotRewritten)
{
    SharedSettings::store().setString(Key::memoryReadout, QStringLiteral("bogus"));
    SharedSettings::store().setBool(Key::showMemoryPercent, true);
    SharedSettings::store().setString(Key::meterShape, QStringLiteral("hexagon"));
    const QStringList before = SharedSettings::store().persistentKeys();

    // The older percentage switch makes "usage" the memory readout in effect.
    std::unique_ptr<StorePicker> picker(memoryReadoutPicker());
    EXPECT_EQ(picker->currentValue().toString(), QStringLiteral("usage"));
    SegmentedControl shape(Key::meterShape,
        {{QStringLiteral("Pill"), QStringLiteral("pill")}, {QStringLiteral("Square"), QStringLiteral("square")}},
        [] { return rawValue(MeterSettings::shape()); });
    EXPECT_EQ(shape.value(), QStringLiteral("pill"));

    EXPECT_EQ(SharedSettings::store().persistentKeys(), before);
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::memoryReadout), QStringLiteral("bogus"));
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::meterShape), QStringLiteral("hexagon"));

    // The first real choice replaces them.
    shape.button(QStringLiteral("square"))->click();
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::meterShape), QStringLiteral("square"));
    EXPECT_EQ(shape.value(), QStringLiteral("square"));
    emit picker->activated(picker->findData(QStringLiteral("pressure")));
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::memoryReadout), QStringLiteral("pressure"));
}

TEST_F(StoreControlsTest, ControlsFollowChangesMadeElsewhereInTheApp)
{
    std::unique_ptr<StorePicker> picker(memoryReadoutPicker());
    SwitchButton shown(Key::showMemoryItem, [] { return MeterSettings::showsItem(MonitorSection::memory); });
    EXPECT_TRUE(shown.isChecked());

    SharedSettings::store().setString(Key::memoryReadout, QStringLiteral("pressure"));
    EXPECT_EQ(picker->currentValue().toString(), QStringLiteral("pressure"));
    // A stored text where a Boolean belongs still counts as shown, and a flip stores a Boolean.
    SharedSettings::store().setString(Key::showMemoryItem, QStringLiteral("false"));
    EXPECT_TRUE(shown.isChecked());
    shown.click();
    EXPECT_FALSE(shown.isChecked());
    EXPECT_EQ(SharedSettings::store().objectForKey(Key::showMemoryItem), QVariant(false));
}

TEST_F(StoreControlsTest, TheLanguagePickerOffersSystemThenEveryShippedLanguage)
{
    GeneralPage page;
    StorePicker* languages = page.languagePicker();
    EXPECT_EQ(languages->currentValue().toString(), QStringLiteral("system"));
    QStringList codes;
    for (int i = 0; i < languages->count(); ++i)
        if (languages->itemData(i).isValid())
            codes.append(languages->itemData(i).toString());
    QStringList expected {QStringLiteral("system")};
    for (const auto& entry : AppLanguage::available())
        expected.append(entry.first);
    EXPECT_EQ(codes, expected);
    // A divider between "System" and the languages.
    EXPECT_EQ(languages->count(), expected.size() + (expected.size() > 1 ? 1 : 0));
}

TEST(AccentSwatchTest, OneImagePerAccentAndSize)
{
    const MeterAccent teal(MeterAccent::Preset::teal);
    const QPixmap first = AccentSwatch::image(teal, 12);
    EXPECT_EQ(first.cacheKey(), AccentSwatch::image(teal, 12).cacheKey());
    EXPECT_NE(first.cacheKey(), AccentSwatch::image(teal, 16).cacheKey());
    EXPECT_EQ(first.deviceIndependentSize(), QSizeF(12, 12));
    const QImage pixels = first.toImage();
    const QColor centre = pixels.pixelColor(pixels.width() / 2, pixels.height() / 2);
    EXPECT_EQ(centre.name(), teal.color().name());
}
