#include "Vantor/Pages/GeneralPage.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Pages/FormSection.h"
#include "Vantor/Pages/StorePicker.h"
#include "Vantor/Pages/SwitchButton.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/IsolatedSettings.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

namespace Key = SharedSettings::Key;

class GeneralPageTest : public ::testing::Test {
protected:
    GeneralPageTest()
    {
        SharedSettings::prepareAtLaunch();
        GeneralPage::setAgentBundleFinderForTesting([this] { return agentBundle; });
        // An installation that updates itself, wherever the build happens to lie.
        GeneralPage::setInstallationNoteForTesting([] { return QString(); });
    }
    ~GeneralPageTest() override
    {
        GeneralPage::setAgentBundleFinderForTesting({});
        GeneralPage::setInstallationNoteForTesting({});
    }

    IsolatedSettings settings;
    std::optional<QString> agentBundle;
};

} // namespace

TEST_F(GeneralPageTest, CheckNowFollowsWhetherTheAgentCanCheckAndAsksTheAgent)
{
    GeneralPage page;
    EXPECT_FALSE(page.checkNowButton()->isEnabled());

    SharedSettings::store().setBool(Key::updaterCanCheck, true);
    EXPECT_TRUE(page.checkNowButton()->isEnabled());
    page.checkNowButton()->click();
    EXPECT_EQ(settings.transport.posted.count(SharedSettings::name(SharedSettings::Signal::checkForUpdates)), 1);

    SharedSettings::store().setBool(Key::updaterCanCheck, false);
    EXPECT_FALSE(page.checkNowButton()->isEnabled());
}

TEST_F(GeneralPageTest, TheVersionIsTheRunningAgentsElseTheAppsOwn)
{
    QTemporaryDir dir;
    const QString app = FixtureBundle::write(dir.path() + QStringLiteral("/Vantor.app"),
        {{QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.4")},
            {QStringLiteral("CFBundleVersion"), QStringLiteral("41")}});
    const QString agent = FixtureBundle::write(dir.path() + QStringLiteral("/VantorAgent.app"),
        {{QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.5")}});
    ScopedMainBundle main(app);

    EXPECT_EQ(GeneralPage().versionText()->text(), QStringLiteral("1.4 (41)"));
    // A missing or non-text build shows a dash in its place.
    agentBundle = agent;
    EXPECT_EQ(GeneralPage().versionText()->text(), QStringLiteral("1.5 (—)"));
    // An agent bundle that cannot be opened falls back to the app.
    EXPECT_EQ(
        GeneralPage::versionLabel(std::optional(dir.path() + QStringLiteral("/gone.app"))), QStringLiteral("1.4 (41)"));
}

TEST_F(GeneralPageTest, AnIntervalNoChoiceMatchesIsShownNotReplaced)
{
    SharedSettings::store().setDouble(Key::refreshInterval, 2.5);
    GeneralPage page;
    StorePicker* picker = page.intervalPicker();
    EXPECT_DOUBLE_EQ(picker->currentValue().toDouble(), 2.5);
    EXPECT_TRUE(picker->currentText().contains(QStringLiteral("2.5")));
    EXPECT_DOUBLE_EQ(SharedSettings::store().doubleForKey(Key::refreshInterval), 2.5);

    const int every5 = picker->findText(QStringLiteral("Every 5 Seconds"));
    ASSERT_GE(every5, 0);
    emit picker->activated(every5);
    EXPECT_DOUBLE_EQ(SharedSettings::store().doubleForKey(Key::refreshInterval), 5.0);
    EXPECT_EQ(picker->currentText(), QStringLiteral("Every 5 Seconds"));
    EXPECT_EQ(picker->findText(QStringLiteral("Every 2.5 Seconds")), -1);

    // A stored integer is the same interval as the equal choice.
    SharedSettings::store().setInteger(Key::refreshInterval, 2);
    EXPECT_EQ(picker->currentText(), QStringLiteral("Every 2 Seconds"));
}

TEST_F(GeneralPageTest, AHandEditedIntervalShowsWhatTheAgentSamplesAt)
{
    GeneralPage page;
    StorePicker* picker = page.intervalPicker();
    // 0 or less makes the agent sample every second, and a number written as text is read as one.
    for (const QVariant& stored : {QVariant(0), QVariant(-2.5), QVariant(QStringLiteral("oops"))}) {
        SharedSettings::store().setObject(Key::refreshInterval, stored);
        EXPECT_EQ(picker->currentText(), QStringLiteral("Every Second")) << stored.toString().toStdString();
        EXPECT_EQ(picker->count(), 3);
    }
    SharedSettings::store().setObject(Key::refreshInterval, QStringLiteral("5"));
    EXPECT_EQ(picker->currentText(), QStringLiteral("Every 5 Seconds"));
}

TEST_F(GeneralPageTest, AnInstallationUpdatedByOthersSaysSoAndTurnsTheUpdateControlsOff)
{
    SharedSettings::store().setBool(Key::updaterCanCheck, true);
    {
        GeneralPage page;
        EXPECT_TRUE(page.checkAutomaticallySwitch()->isEnabled());
        EXPECT_TRUE(page.checkNowButton()->isEnabled());
        EXPECT_TRUE(page.updatesSection()->footerLabel()->isHidden());
    }
    const QString note = QStringLiteral("Vantor is updated by your package manager.");
    GeneralPage::setInstallationNoteForTesting([&] { return note; });
    GeneralPage page;
    EXPECT_FALSE(page.checkAutomaticallySwitch()->isEnabled());
    EXPECT_FALSE(page.checkNowButton()->isEnabled());
    EXPECT_EQ(page.checkAutomaticallySwitch()->toolTip(), note);
    EXPECT_EQ(page.checkNowButton()->toolTip(), note);
    EXPECT_EQ(page.updatesSection()->footerLabel()->text(), note);
    EXPECT_FALSE(page.updatesSection()->footerLabel()->isHidden());
    // The agent saying it could check changes nothing here.
    SharedSettings::store().setBool(Key::updaterCanCheck, false);
    SharedSettings::store().setBool(Key::updaterCanCheck, true);
    EXPECT_FALSE(page.checkNowButton()->isEnabled());
}
