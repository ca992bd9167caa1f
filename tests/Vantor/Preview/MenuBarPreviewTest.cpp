#include "Vantor/Preview/MenuBarPreview.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/MenuBarPlacementNote.h"
#include "Vantor/Preview/MenuBarStripView.h"
#include "Vantor/Preview/TrayPreviewView.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeReadings.h"
#include "tests/support/IsolatedSettings.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace {

namespace Key = SharedSettings::Key;
using enum MonitorSection;

class MenuBarPreviewTest : public ::testing::Test {
protected:
    MenuBarPreviewTest() { SharedSettings::prepareAtLaunch(); }
    static PreferencesDomain& store() { return SharedSettings::store(); }

    IsolatedSettings settings;
    FakeReadings readings;
};

TEST_F(MenuBarPreviewTest, WhileTheAgentUsesTheTrayThePreviewShowsTheTrayFormsAndSaysSo)
{
    MenuBarPreview preview(&readings);
    // Nothing published yet, or the bar: the bar's meters, which can be dragged.
    EXPECT_FALSE(preview.showsTray());
    EXPECT_TRUE(preview.note()->isHidden());
    EXPECT_FALSE(preview.strip()->isHidden());
    EXPECT_TRUE(preview.tray()->isHidden());

    store().setString(Key::menuBarPresentation, QStringLiteral("tray"));
    EXPECT_TRUE(preview.showsTray());
    EXPECT_FALSE(preview.note()->isHidden());
    EXPECT_EQ(preview.note()->text(), QStringLiteral("Shown in the tray: drag to reorder does not apply"));
    EXPECT_TRUE(preview.strip()->isHidden());
    EXPECT_FALSE(preview.tray()->isHidden());

    // The tray shows the visible sections in the stored order, and the form follows the tray:
    // figures in the icon without labels, the meter beside a label.
    store().setBool(Key::showStorageItem, false);
    store().setString(Key::cpuReadout, QStringLiteral("usage"));
    store().setString(Key::menuBarOrder, QStringLiteral("cpu,memory,storage,sensors"));
    EXPECT_EQ(preview.tray()->sections(), (QList<MonitorSection> {cpu, memory, sensors}));
    preview.tray()->setShowsLabels(false);
    EXPECT_EQ(preview.tray()->form(cpu), TrayMeterIcon::Form::readout);
    const int withoutLabels = preview.tray()->sizeHint().width();
    preview.tray()->setShowsLabels(true);
    EXPECT_EQ(preview.tray()->form(cpu), TrayMeterIcon::Form::meter);
    EXPECT_GT(preview.tray()->sizeHint().width(), withoutLabels);

    store().setString(Key::menuBarPresentation, QStringLiteral("bar"));
    EXPECT_TRUE(preview.note()->isHidden());
    EXPECT_FALSE(preview.strip()->isHidden());
}

TEST_F(MenuBarPreviewTest, TheNoteUnderThePickerShowsOnlyWhileTheTrayIsChosenButTheBarIsUsed)
{
    QWidget page;
    auto* note = new MenuBarPlacementNote(&page);
    note->refresh();
    EXPECT_TRUE(note->isHidden());

    store().setString(Key::menuBarMode, QStringLiteral("tray"));
    store().setString(Key::menuBarPresentation, QStringLiteral("bar"));
    EXPECT_TRUE(MenuBarPlacementNote::applies());
    EXPECT_FALSE(note->isHidden());
    EXPECT_EQ(note->text(), QStringLiteral("No tray on this desktop; the meters are in Vantor's own bar."));

    // A tray appears: the agent moves the meters and publishes it.
    store().setString(Key::menuBarPresentation, QStringLiteral("tray"));
    EXPECT_TRUE(note->isHidden());
    // "auto" in our own bar is what the user asked for: nothing to explain.
    store().setString(Key::menuBarPresentation, QStringLiteral("bar"));
    store().setString(Key::menuBarMode, QStringLiteral("auto"));
    EXPECT_FALSE(MenuBarPlacementNote::applies());
    EXPECT_TRUE(note->isHidden());
    // Nothing published yet: no claim about the desktop.
    store().setString(Key::menuBarMode, QStringLiteral("tray"));
    store().removeObjectForKey(Key::menuBarPresentation);
    EXPECT_FALSE(MenuBarPlacementNote::applies());
}

} // namespace
