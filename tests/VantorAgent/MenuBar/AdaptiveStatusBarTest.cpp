#include "VantorAgent/MenuBar/AdaptiveStatusBar.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/TrayClickPosition.h"
#include "Platform/StatusBar/TrayStatusBar.h"
#include "Platform/StatusBar/TrayStatusItem.h"
#include "VantorAgent/MenuBar/StatusBarController.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeMainQueue.h"
#include "tests/support/FakeStatusBar.h"
#include "tests/support/FakeTrayHostWatcher.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/TestStatusNotifierHost.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace SharedSettings;
using S = MonitorSection;

namespace {

class AdaptiveStatusBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bundle::setMainBundlePathForTesting(QStringLiteral(VANTOR_AGENT_BUNDLE));
        StatusMetricView::resetCachesForTesting();
        prepareAtLaunch();
    }
    void TearDown() override
    {
        controller.reset();
        statusBar.reset();
        Bundle::setMainBundlePathForTesting(QString());
    }

    void start(bool hostPresent, std::optional<QString> variable = std::nullopt)
    {
        AdaptiveStatusBar::Environment environment;
        auto watcher = std::make_unique<FakeTrayHostWatcher>(hostPresent);
        host = watcher.get();
        environment.hostWatcher = std::move(watcher);
        environment.makeBar = [this]() -> std::unique_ptr<StatusBar> {
            auto bar = std::make_unique<FakeStatusBar>();
            lastBar = bar.get();
            ++barsMade;
            return bar;
        };
        environment.makeTray = [] { return std::make_unique<TrayStatusBar>(); };
        environment.environmentChoice = std::move(variable);
        environment.session = SessionKind::waylandWithXWayland;
        environment.openSettings = [this] { ++settingsOpened; };
        environment.quit = [this] { ++quits; };
        statusBar = std::make_unique<AdaptiveStatusBar>(std::move(environment));
        statusBar->hostSettleDelay = std::chrono::milliseconds(0);

        SystemMonitor::Sources sources;
        sources.procRoot = settings.path() + QStringLiteral("/no-proc");
        sources.sysRoot = settings.path() + QStringLiteral("/no-sys");
        sources.loadAverages = [](std::array<double, 3>&) { return false; };
        sources.clock = [] { return 100.0; };
        sources.startTimer = false;
        controller = std::make_unique<StatusBarController>(
            std::make_unique<SystemMonitor>(sources), *statusBar, PreferencesDomain::standard(), queue);
        statusBar->attach(*controller);
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    TrayStatusItem* trayItem(S section) const
    {
        return statusBar->tray() ? statusBar->tray()->trayItem(controller->statusItem(section)) : nullptr;
    }

    IsolatedSettings settings;
    FakeMainQueue queue;
    FakeTrayHostWatcher* host = nullptr;
    FakeStatusBar* lastBar = nullptr;
    int barsMade = 0;
    int settingsOpened = 0;
    int quits = 0;
    std::unique_ptr<AdaptiveStatusBar> statusBar;
    std::unique_ptr<StatusBarController> controller;
};

TEST_F(AdaptiveStatusBarTest, WithAHostEveryVisibleSectionBecomesATrayItemWithItsMeter)
{
    store().setBool(Key::showStorageItem, false);
    start(true);
    ASSERT_EQ(statusBar->placement(), MeterPlacement::tray);
    EXPECT_EQ(barsMade, 0);
    ASSERT_EQ(statusBar->tray()->items().size(), 3);
    EXPECT_EQ(trayItem(S::storage), nullptr);
    for (const S section : {S::sensors, S::memory, S::cpu}) {
        TrayStatusItem* item = trayItem(section);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->iconUpdates(), 1);
        EXPECT_TRUE(item->isShown());
        EXPECT_TRUE(item->toolTip().startsWith(title(section))) << item->toolTip().toStdString();
    }
    // Settings and Quit in every item's menu.
    const auto& actions = statusBar->tray()->menuActions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0].text, AdaptiveStatusBar::trayMenuSettingsText());
    actions[0].run();
    actions[1].run();
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(quits, 1);
}

TEST_F(AdaptiveStatusBarTest, HidingASectionTakesItsTrayItemAway)
{
    start(true);
    ASSERT_EQ(statusBar->tray()->items().size(), 4);
    store().setBool(Key::showMemoryItem, false);
    controller->applyMeterSettings();
    settle();
    EXPECT_EQ(statusBar->tray()->items().size(), 3);
    EXPECT_EQ(trayItem(S::memory), nullptr);
    for (TrayStatusItem* item : statusBar->tray()->items())
        EXPECT_TRUE(item->isShown());
}

TEST_F(AdaptiveStatusBarTest, IconsAreSentOnlyWhenThePictureChanges)
{
    start(true);
    TrayStatusItem* memory = trayItem(S::memory);
    ASSERT_NE(memory, nullptr);
    statusBar->updateTrayItems();
    statusBar->updateTrayItems();
    EXPECT_EQ(memory->iconUpdates(), 1);
    // Appearance settings are not in the signature; a settings change draws every icon again.
    statusBar->invalidateTrayIcons();
    statusBar->updateTrayItems();
    EXPECT_EQ(memory->iconUpdates(), 2);
}

TEST_F(AdaptiveStatusBarTest, AClickReportsTheSectionAndTheTraysPosition)
{
    start(true);
    QSignalSpy clicks(statusBar.get(), &AdaptiveStatusBar::trayItemClicked);
    TrayClickPosition::record(640, 12);
    statusBar->tray()->reportActivation(trayItem(S::cpu));
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks[0][0].value<MonitorSection>(), S::cpu);
    EXPECT_EQ(clicks[0][1].value<std::optional<QPoint>>(), QPoint(640, 12));
    // A position is used once; a host that sends 0, 0 gives none.
    TrayClickPosition::record(0, 0);
    statusBar->tray()->reportActivation(trayItem(S::sensors));
    ASSERT_EQ(clicks.size(), 2);
    EXPECT_EQ(clicks[1][0].value<MonitorSection>(), S::sensors);
    EXPECT_FALSE(clicks[1][1].value<std::optional<QPoint>>().has_value());
}

TEST_F(AdaptiveStatusBarTest, TheHostGoingAwaySwitchesToTheBarAndBack)
{
    start(true);
    QSignalSpy moves(statusBar.get(), &AdaptiveStatusBar::placementChanged);
    host->setPresent(false);
    settle();
    ASSERT_EQ(statusBar->placement(), MeterPlacement::bar);
    ASSERT_EQ(moves.size(), 1);
    ASSERT_NE(lastBar, nullptr);
    EXPECT_EQ(lastBar->items.size(), 4u);
    EXPECT_EQ(controller->appliedOrder(), (QList<S> {S::storage, S::sensors, S::memory, S::cpu}));
    EXPECT_NE(controller->meterView(S::cpu), nullptr);

    host->setPresent(true);
    settle();
    ASSERT_EQ(statusBar->placement(), MeterPlacement::tray);
    EXPECT_EQ(statusBar->tray()->items().size(), 4);
    EXPECT_EQ(moves.size(), 2);
}

TEST_F(AdaptiveStatusBarTest, APanelRestartWithinTheSettleTimeMovesNothing)
{
    start(true);
    statusBar->hostSettleDelay = std::chrono::milliseconds(200);
    TrayStatusItem* before = trayItem(S::cpu);
    host->setPresent(false);
    settle();
    host->setPresent(true);
    TestStatusNotifierHost::waitFor([] { return false; }, 300);
    EXPECT_EQ(statusBar->placement(), MeterPlacement::tray);
    EXPECT_EQ(trayItem(S::cpu), before);
}

TEST_F(AdaptiveStatusBarTest, ForcedChoicesIgnoreTheHost)
{
    store().setString(Key::menuBarMode, QStringLiteral("bar"));
    start(true);
    EXPECT_EQ(statusBar->placement(), MeterPlacement::bar);
    EXPECT_EQ(lastBar->items.size(), 4u);
    host->setPresent(false);
    settle();
    EXPECT_EQ(barsMade, 1);

    // The variable overrides the setting for this run; without a host the items wait unseen.
    controller.reset();
    statusBar.reset();
    start(false, QStringLiteral("tray"));
    ASSERT_EQ(statusBar->placement(), MeterPlacement::tray);
    ASSERT_NE(trayItem(S::cpu), nullptr);
    EXPECT_FALSE(trayItem(S::cpu)->isShown());
    host->setPresent(true);
    settle();
    statusBar->updateTrayItems();
    EXPECT_TRUE(trayItem(S::cpu)->isShown());
}

TEST_F(AdaptiveStatusBarTest, ChangingTheSettingMovesTheMeters)
{
    start(false);
    ASSERT_EQ(statusBar->placement(), MeterPlacement::bar);
    store().setString(Key::menuBarMode, QStringLiteral("tray"));
    statusBar->applyMode();
    EXPECT_EQ(statusBar->placement(), MeterPlacement::tray);
    settle();
    EXPECT_EQ(statusBar->tray()->items().size(), 4);
    EXPECT_EQ(statusBar->lastDecision().choice, MenuBarMode::tray);
}

} // namespace
