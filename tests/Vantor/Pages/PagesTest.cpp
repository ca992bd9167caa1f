#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/AccentRow.h"
#include "Vantor/Pages/ChoiceTile.h"
#include "Vantor/Pages/ColorWell.h"
#include "Vantor/Pages/FormSection.h"
#include "Vantor/Pages/MenuBarPage.h"
#include "Vantor/Pages/PopoversPage.h"
#include "Vantor/Pages/StorePicker.h"
#include "Vantor/Preview/SampleReadings.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/IsolatedSettings.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

namespace Key = SharedSettings::Key;

class PagesTest : public ::testing::Test {
protected:
    PagesTest() { SharedSettings::prepareAtLaunch(); }

    IsolatedSettings settings;
};

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(30, 30, 32));
    palette.setColor(QPalette::WindowText, QColor(240, 240, 240));
    return palette;
}

} // namespace

TEST_F(PagesTest, AppearanceTilesStoreTheirChoiceAndBackgroundsPreviewInTheWindowsScheme)
{
    PopoversPage page;
    EXPECT_TRUE(page.appearanceTile(QStringLiteral("system"))->isSelected());

    QTest::mouseClick(page.appearanceTile(QStringLiteral("dark")), Qt::LeftButton);
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::popoverAppearance), QStringLiteral("dark"));
    EXPECT_TRUE(page.appearanceTile(QStringLiteral("dark"))->isSelected());
    EXPECT_FALSE(page.appearanceTile(QStringLiteral("system"))->isSelected());
    EXPECT_EQ(page.previewScheme(), PanelMiniature::Scheme::dark);

    QTest::mouseClick(page.appearanceTile(QStringLiteral("system")), Qt::LeftButton);
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::popoverAppearance), QStringLiteral("system"));
    EXPECT_EQ(page.previewScheme(), PanelMiniature::Scheme::light);
    // With "System" the background tiles follow the window between light and dark.
    page.setPalette(darkPalette());
    EXPECT_EQ(page.previewScheme(), PanelMiniature::Scheme::dark);

    QTest::mouseClick(page.backgroundTile(QStringLiteral("opaque")), Qt::LeftButton);
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::popoverBackground), QStringLiteral("opaque"));
    EXPECT_TRUE(page.backgroundTile(QStringLiteral("opaque"))->isSelected());
}

TEST_F(PagesTest, LowerRightHalfIsTheTriangleBelowTheDiagonal)
{
    const QPainterPath half = PanelMiniature::lowerRightHalf(QRectF(0, 0, 112, 74));
    EXPECT_TRUE(half.contains(QPointF(100, 70)));
    EXPECT_FALSE(half.contains(QPointF(10, 5)));
}

TEST_F(PagesTest, ADragAcrossTheColourWellWritesOnceAfterItStops)
{
    SharedSettings::store().setString(Key::memoryAccent, QStringLiteral("teal"));
    AccentRow row(QStringLiteral("Colour"), MeterAccentSlot::memory);
    EXPECT_EQ(row.selection(), QStringLiteral("teal"));
    EXPECT_FALSE(row.well()->isVisibleTo(&row));

    // Choosing "Custom" keeps the colour the meter has now.
    const QColor teal = MeterSettings::color(MeterAccentSlot::memory);
    emit row.picker()->activated(row.picker()->findData(QStringLiteral("custom")));
    EXPECT_EQ(row.selection(), QStringLiteral("custom"));
    EXPECT_TRUE(row.well()->isVisibleTo(&row));
    EXPECT_EQ(MeterSettings::color(MeterAccentSlot::memory).name(), teal.name());
    // Every row is titled "Colour"; the well names its meter.
    EXPECT_EQ(row.well()->accessibleName(), QStringLiteral("Memory custom colour"));

    QSignalSpy writes(&SharedSettings::store(), &PreferencesDomain::didChange);
    for (int step = 0; step < 5; ++step) {
        emit row.well()->colorEdited(QColor(40 * step, 100, 200));
        QTest::qWait(20);
    }
    EXPECT_EQ(writes.count(), 0);
    EXPECT_EQ(row.well()->color(), QColor(160, 100, 200));
    QTest::qWait(AccentRow::commitDelayMs + 60);
    EXPECT_EQ(writes.count(), 1);
    EXPECT_FALSE(row.draft().has_value());
    EXPECT_EQ(MeterSettings::color(MeterAccentSlot::memory).name(), QColor(160, 100, 200).name());

    emit row.picker()->activated(row.picker()->findData(QStringLiteral("pine")));
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::memoryAccent), QStringLiteral("pine"));
    EXPECT_FALSE(row.well()->isVisibleTo(&row));
}

TEST_F(PagesTest, TheColourPickerIsTitledForItsMeterAndCancelPutsTheColourBack)
{
    const QColor before(20, 120, 220);
    SharedSettings::store().setString(Key::cpuAccent, MeterAccent::custom(before)->rawValue());
    AccentRow row(QStringLiteral("Colour"), MeterAccentSlot::cpu);
    row.well()->openPicker();
    QColorDialog* picker = row.well()->picker();
    ASSERT_TRUE(picker);
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("Custom Colour for CPU"));
    // It has buttons to leave it by: the colour applies as the user picks, Cancel takes it back.
    EXPECT_TRUE(picker->findChild<QDialogButtonBox*>()->isVisibleTo(picker));

    picker->setCurrentColor(QColor(200, 40, 40));
    QTest::qWait(AccentRow::commitDelayMs + 60);
    EXPECT_EQ(MeterSettings::color(MeterAccentSlot::cpu).name(), QColor(200, 40, 40).name());
    picker->reject();
    QTest::qWait(AccentRow::commitDelayMs + 60);
    EXPECT_EQ(MeterSettings::color(MeterAccentSlot::cpu).name(), before.name());
    EXPECT_EQ(row.well()->color().name(), before.name());

    // Picking again and keeping it leaves the new colour.
    row.well()->openPicker();
    row.well()->picker()->setCurrentColor(QColor(10, 200, 90));
    row.well()->picker()->accept();
    QTest::qWait(AccentRow::commitDelayMs + 60);
    EXPECT_EQ(MeterSettings::color(MeterAccentSlot::cpu).name(), QColor(10, 200, 90).name());
}

TEST_F(PagesTest, AnUnreadableAccentShowsTheFirstPresetAndIsNotRewritten)
{
    SharedSettings::store().setString(Key::cpuAccent, QStringLiteral("custom:srgb:nonsense"));
    AccentRow row(QStringLiteral("Colour"), MeterAccentSlot::cpu);
    EXPECT_EQ(row.picker()->currentData().toString(), QStringLiteral("signal"));
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::cpuAccent), QStringLiteral("custom:srgb:nonsense"));
}

TEST_F(PagesTest, TheFastCoreColourIsOfferedOnlyWithTwoTiers)
{
    const QList<CoreTier> single {{QStringLiteral("Performance"), 8}};
    EXPECT_EQ(MenuBarPage(single).cpuAccentRows().size(), 1);
    EXPECT_EQ(MenuBarPage(QList<CoreTier>()).cpuAccentRows().size(), 1);

    const QList<CoreTier> hybrid {{QStringLiteral("Performance"), 4}, {QStringLiteral("Efficiency"), 8}};
    const MenuBarPage page(hybrid);
    ASSERT_EQ(page.cpuAccentRows().size(), 2);
    EXPECT_EQ(page.cpuAccentRows()[1]->accessibleName(), QStringLiteral("Performance cores"));
}

TEST_F(PagesTest, TheSensorsFooterFollowsTheTemperatureUnit)
{
    SharedSettings::store().setString(Key::temperatureUnit, QStringLiteral("celsius"));
    MenuBarPage page {QList<CoreTier>()};
    const QString celsius = page.sensorsSection()->footerLabel()->text();
    EXPECT_TRUE(celsius.startsWith(QStringLiteral("The readout turns amber at 85")));
    EXPECT_TRUE(celsius.contains(QStringLiteral("red at 95")));

    SharedSettings::store().setString(Key::temperatureUnit, QStringLiteral("fahrenheit"));
    const QString fahrenheit = page.sensorsSection()->footerLabel()->text();
    EXPECT_TRUE(fahrenheit.contains(QStringLiteral("185"))) << fahrenheit.toStdString();
    EXPECT_TRUE(fahrenheit.contains(QStringLiteral("203"))) << fahrenheit.toStdString();
    EXPECT_TRUE(fahrenheit.contains(QStringLiteral("°F")));
    EXPECT_TRUE(fahrenheit.endsWith(QLatin1Char('.')));
}

TEST_F(PagesTest, ReadoutsThisMachineCannotSupplyAreMarkedAndTheSensorsSectionSaysWhy)
{
    // What the agent published for a machine without sensors, GPU or swap.
    ReadoutSources bare {false, false, false, false, false, false};
    bare.swap = false;
    SharedSettings::store().setStringList(Key::availableReadouts, bare.published());
    MenuBarPage page {QList<CoreTier>()};
    const auto titles = [](QComboBox* picker) {
        QStringList list;
        for (int i = 0; i < picker->count(); ++i)
            list.append(picker->itemText(i));
        return list;
    };
    // The registered default (temperature) gives way to what the bar shows: the usage.
    EXPECT_EQ(page.cpuReadoutPicker()->currentText(), QStringLiteral("Usage"));
    EXPECT_EQ(titles(page.cpuReadoutPicker()),
        (QStringList {QStringLiteral("None"), QStringLiteral("Usage"),
            QStringLiteral("Temperature (not available on this machine)"),
            QStringLiteral("Power (not available on this machine)")}));
    EXPECT_EQ(page.sensorsReadoutPicker()->currentText(), QStringLiteral("None"));
    EXPECT_EQ(page.sensorsSection()->footerLabel()->text(), QStringLiteral("No sensors found on this machine"));
    // The marked choices stay choices.
    page.cpuReadoutPicker()->setCurrentIndex(2);
    emit page.cpuReadoutPicker()->activated(2);
    EXPECT_EQ(SharedSettings::store().stringForKey(Key::cpuReadout), QStringLiteral("temperature"));

    // The agent learns more (announced with menuBarChanged): the marks go.
    SharedSettings::store().setStringList(Key::availableReadouts, ReadoutSources().published());
    page.adoptReadoutSources();
    EXPECT_EQ(page.cpuReadoutPicker()->itemText(2), QStringLiteral("Temperature"));
    EXPECT_TRUE(page.sensorsSection()->footerLabel()->text().startsWith(QStringLiteral("The readout turns amber")));
    ReadoutSources::reset();
}

TEST(SampleReadingsTest, CoresAreLaidOutLikeTheLiveOnesFastestLast)
{
    // One tier: every core is a performance core, all from the fast list.
    const SampleReadings single(8, {{QStringLiteral("Performance"), 8}});
    EXPECT_EQ(single.performanceCoreCount(), 8);
    EXPECT_EQ(single.coreUsages(), (QList<double> {0.72, 0.88, 0.64, 0.95, 0.58, 0.81, 0.72, 0.88}));

    const SampleReadings hybrid(6, {{QStringLiteral("Performance"), 2}, {QStringLiteral("Efficiency"), 4}});
    EXPECT_EQ(hybrid.performanceCoreCount(), 2);
    EXPECT_EQ(hybrid.coreUsages(), (QList<double> {0.18, 0.32, 0.12, 0.44, 0.72, 0.88}));

    // No tiers, and a nonsense core count, still give a usable picture.
    const SampleReadings none(0, {});
    EXPECT_EQ(none.performanceCoreCount(), 0);
    EXPECT_EQ(none.coreUsages(), QList<double> {0.18});
    EXPECT_EQ(none.cpuHistory().size(), 36);
    EXPECT_DOUBLE_EQ(none.cpuHistory()[12], 0.14);
    EXPECT_DOUBLE_EQ(none.cpuHistory()[35], 0.38);
}
