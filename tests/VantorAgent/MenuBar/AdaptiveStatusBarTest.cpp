#include "VantorAgent/MenuBar/AdaptiveStatusBar.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Popover/PopoverWindow.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/StatusNotifierItem.h"
#include "Platform/StatusBar/TrayStatusBar.h"
#include "Platform/StatusBar/TrayStatusItem.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorAgent/Machines/MachinesStatusItem.h"
#include "VantorAgent/MenuBar/StatusBarController.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Meters/TrayMeterIcon.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeMainQueue.h"
#include "tests/support/FakeSMCTransport.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/FakeStatusBar.h"
#include "tests/support/FakeTrayHostWatcher.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/ProcessTestTurn.h"
#include "tests/support/PrometheusAnswers.h"
#include "tests/support/PrometheusFixtureServer.h"
#include "tests/support/ResidentMemory.h"
#include "tests/support/TestStatusNotifierHost.h"

#include <QDir>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace SharedSettings;
using S = MonitorSection;

namespace {

QString itemOf(const TestStatusNotifierHost& host, const QString& itemId)
{
    for (const TestStatusNotifierHost::Item& item : host.readAll())
        if (item.itemId == itemId)
            return item.id;
    return {};
}

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
        environment.trayShowsLabels = trayShowsLabels;
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
        // A sensor, so that the sensors meter has something to show.
        sources.sensorTransport = [] { return FakeSMCTransport::oneFan(); };
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

    // Items go on the session bus whatever watcher the test names, so no other test's panel may
    // run meanwhile.
    ProcessTestTurn turn;
    IsolatedSettings settings;
    FakeMainQueue queue;
    FakeTrayHostWatcher* host = nullptr;
    FakeStatusBar* lastBar = nullptr;
    int barsMade = 0;
    bool trayShowsLabels = false;
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
    ASSERT_NE(trayItem(S::cpu)->busItem(), nullptr);
    trayItem(S::cpu)->busItem()->Activate(640, 12);
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks[0][0].value<MonitorSection>(), S::cpu);
    EXPECT_EQ(clicks[0][1].value<std::optional<QPoint>>(), QPoint(640, 12));
    // A host that sends 0, 0 does not know where the click was.
    trayItem(S::sensors)->busItem()->Activate(0, 0);
    ASSERT_EQ(clicks.size(), 2);
    EXPECT_EQ(clicks[1][0].value<MonitorSection>(), S::sensors);
    EXPECT_FALSE(clicks[1][1].value<std::optional<QPoint>>().has_value());
    // The secondary activation opens the settings app.
    trayItem(S::memory)->busItem()->SecondaryActivate(10, 10);
    EXPECT_EQ(settingsOpened, 1);
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

    // The variable overrides the setting for this run. Without a host the meters stay in our own
    // bar, and move to the tray when one comes.
    controller.reset();
    statusBar.reset();
    barsMade = 0;
    start(false, QStringLiteral("tray"));
    ASSERT_EQ(statusBar->placement(), MeterPlacement::bar);
    EXPECT_EQ(barsMade, 1);
    EXPECT_EQ(lastBar->items.size(), 4u);
    host->setPresent(true);
    settle();
    ASSERT_EQ(statusBar->placement(), MeterPlacement::tray);
    statusBar->updateTrayItems();
    ASSERT_NE(trayItem(S::cpu), nullptr);
    EXPECT_TRUE(trayItem(S::cpu)->isShown());
}

TEST_F(AdaptiveStatusBarTest, ChangingTheSettingMovesTheMeters)
{
    start(true);
    store().setString(Key::menuBarMode, QStringLiteral("bar"));
    statusBar->applyMode();
    ASSERT_EQ(statusBar->placement(), MeterPlacement::bar);
    store().setString(Key::menuBarMode, QStringLiteral("tray"));
    statusBar->applyMode();
    EXPECT_EQ(statusBar->placement(), MeterPlacement::tray);
    settle();
    EXPECT_EQ(statusBar->tray()->items().size(), 4);
    EXPECT_EQ(statusBar->lastDecision().choice, MenuBarMode::tray);
}

TEST_F(AdaptiveStatusBarTest, APanelSeesEachItemWithItsLabelTooltipMenuAndIcons)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    TestStatusNotifierHost panel;
    ASSERT_TRUE(panel.start());
    store().setString(Key::cpuReadout, QStringLiteral("usage"));
    trayShowsLabels = true;
    start(true);
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return panel.registeredItems().size() == 4; }));
    for (const S section : allMonitorSections) {
        const QString id = itemOf(panel, QStringLiteral("vantor-") + key(section));
        ASSERT_FALSE(id.isEmpty()) << key(section).toStdString();
        const std::optional<TestStatusNotifierHost::Item> item = panel.read(id);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->category, QStringLiteral("Hardware"));
        EXPECT_EQ(item->title, title(section));
        EXPECT_EQ(item->toolTipTitle, title(section));
        EXPECT_EQ(item->status, QStringLiteral("Active"));
        QList<QSize> sizes;
        for (const int pixels : TrayMeterIcon::pixelSizes)
            sizes.append(QSize(pixels, pixels));
        EXPECT_EQ(item->iconSizes, sizes);
        EXPECT_EQ(panel.menuLabels(id),
            (QStringList {AdaptiveStatusBar::trayMenuSettingsText(), AdaptiveStatusBar::trayMenuQuitText()}));
    }
    const std::optional<TestStatusNotifierHost::Item> cpu = panel.read(itemOf(panel, QStringLiteral("vantor-cpu")));
    ASSERT_TRUE(cpu);
    EXPECT_TRUE(cpu->label.endsWith(QLatin1Char('%'))) << cpu->label.toStdString();
    EXPECT_EQ(cpu->labelGuide, QStringLiteral("100%"));
    EXPECT_TRUE(cpu->toolTipText.contains(title(CPUReadout::usage))) << cpu->toolTipText.toStdString();

    // The menu's entries and the clicks reach the agent.
    QSignalSpy clicks(statusBar.get(), &AdaptiveStatusBar::trayItemClicked);
    ASSERT_TRUE(panel.clickMenuEntry(cpu->id, AdaptiveStatusBar::trayMenuSettingsText()));
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return settingsOpened == 1; }));
    ASSERT_TRUE(panel.clickMenuEntry(cpu->id, AdaptiveStatusBar::trayMenuQuitText()));
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return quits == 1; }));
    ASSERT_TRUE(panel.activate(cpu->id, 640, 12));
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return !clicks.isEmpty(); }));
    EXPECT_EQ(clicks[0][0].value<MonitorSection>(), S::cpu);
    EXPECT_EQ(clicks[0][1].value<std::optional<QPoint>>(), QPoint(640, 12));
    ASSERT_TRUE(panel.secondaryActivate(cpu->id, 640, 12));
    EXPECT_TRUE(TestStatusNotifierHost::waitFor([&] { return settingsOpened == 2; }));

    // Leaving the tray takes the items off the panel.
    host->setPresent(false);
    settle();
    EXPECT_TRUE(TestStatusNotifierHost::waitFor([&] { return panel.registeredItems().isEmpty(); }));
}

TEST_F(AdaptiveStatusBarTest, TheMachinesMeterIsATrayItemOfItsOwnLeftOfTheFour)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    TestStatusNotifierHost panel;
    ASSERT_TRUE(panel.start());
    start(true);
    PrometheusFixtureServer server;
    server.answer(PrometheusAnswers::vector(PrometheusAnswers::machine(
        QStringLiteral("box:9100"), {{"up", "1"}, {"cpu", "0.42"}}, QStringLiteral("buildbox"))));
    store().setString(Key::machinesServer, server.baseURL().toString());
    auto agentDefaults = PreferencesDomain::open(QStringLiteral("agent.defaults"), settings.configDirectory());
    FakeSecretStore secrets;
    MachinesMonitor monitor(secrets);
    MachinesStatusItem machines(monitor, *statusBar, *agentDefaults);
    monitor.applySettings();
    monitor.setMeterShown(true);
    machines.applySettings();
    ASSERT_NE(machines.trayItem(), nullptr);

    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return panel.registeredItems().size() == 5; }));
    const QString id = itemOf(panel, MachinesStatusItem::trayId);
    ASSERT_FALSE(id.isEmpty());
    // Hosts that order items by index put it before the sections, as the bar does.
    EXPECT_EQ(machines.trayItem()->busItem()->orderingIndex(), 0u);
    for (const S section : allMonitorSections)
        EXPECT_GT(trayItem(section)->busItem()->orderingIndex(), 0u) << key(section).toStdString();
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] {
        const auto item = panel.read(id);
        return item && item->label == QStringLiteral("42%");
    }));
    const std::optional<TestStatusNotifierHost::Item> item = panel.read(id);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->title, QStringLiteral("Machines"));
    EXPECT_EQ(item->toolTipTitle, QStringLiteral("Machines"));
    EXPECT_EQ(item->toolTipText, QStringLiteral("1 machine found\nBusiest: buildbox, CPU 42%"));
    EXPECT_EQ(item->labelGuide, QStringLiteral("100%"));
    EXPECT_EQ(item->iconSizes.size(), qsizetype(TrayMeterIcon::pixelSizes.size()));
    EXPECT_EQ(panel.menuLabels(id),
        (QStringList {AdaptiveStatusBar::trayMenuSettingsText(), AdaptiveStatusBar::trayMenuQuitText()}));

    // A click on it opens the machines panel where the tray says, not a section's panel.
    QSignalSpy sectionClicks(statusBar.get(), &AdaptiveStatusBar::trayItemClicked);
    ASSERT_TRUE(panel.activate(id, 640, 12));
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return machines.isPanelOpen(); }));
    EXPECT_TRUE(sectionClicks.isEmpty());
    ASSERT_TRUE(panel.activate(id, 640, 12));
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return !machines.isPanelOpen(); }));

    // Leaving the tray brings it back into the bar with the four.
    host->setPresent(false);
    settle();
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return panel.registeredItems().isEmpty(); }));
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return machines.isShown() && !machines.trayItem(); }));
    EXPECT_EQ(lastBar->items.size(), 5u);
}

TEST_F(AdaptiveStatusBarTest, AWatcherThatRefusesTheItemsPutsTheMetersBackInTheBar)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    TestStatusNotifierHost panel;
    panel.setRefusesItems(true);
    ASSERT_TRUE(panel.start());
    start(true);
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return statusBar->placement() == MeterPlacement::bar; }));
    EXPECT_TRUE(statusBar->trayRefusal().has_value());
    EXPECT_TRUE(statusBar->lastDecision().reason.contains(QStringLiteral("refused")))
        << statusBar->lastDecision().reason.toStdString();
    ASSERT_NE(lastBar, nullptr);
    EXPECT_EQ(lastBar->items.size(), 4u);
    // A settings change does not send the meters back to a watcher that refuses them.
    statusBar->applyMode();
    EXPECT_EQ(statusBar->placement(), MeterPlacement::bar);

    // A new host is asked again.
    panel.setRefusesItems(false);
    host->setPresent(false);
    settle();
    host->setPresent(true);
    settle();
    EXPECT_EQ(statusBar->placement(), MeterPlacement::tray);
    EXPECT_TRUE(TestStatusNotifierHost::waitFor([&] { return panel.registeredItems().size() == 4; }));
}

TEST_F(AdaptiveStatusBarTest, WhereTheMetersAreIsPublishedAfterTheFirstCycleAndOnEveryMove)
{
    // Nothing before the controller and its first cycle: the settings app would otherwise see a
    // tray that has no items yet.
    {
        AdaptiveStatusBar::Environment environment;
        environment.hostWatcher = std::make_unique<FakeTrayHostWatcher>(true);
        environment.makeTray = [] { return std::make_unique<TrayStatusBar>(); };
        AdaptiveStatusBar unattached(std::move(environment));
        settle();
        EXPECT_FALSE(store().objectForKey(Key::menuBarPresentation).isValid());
    }
    start(true);
    controller->monitor().refresh();
    settle();
    EXPECT_EQ(store().stringForKey(Key::menuBarPresentation), QStringLiteral("tray"));
    host->setPresent(false);
    settle();
    EXPECT_EQ(store().stringForKey(Key::menuBarPresentation), QStringLiteral("bar"));
}

TEST_F(AdaptiveStatusBarTest, TwoHundredHostFlapsLeaveMemoryWhereItWas)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    TestStatusNotifierHost panel;
    ASSERT_TRUE(panel.start());
    start(true);
    const auto flap = [&] {
        host->setPresent(false);
        settle();
        host->setPresent(true);
        settle();
    };
    // The first rounds fill caches that stay (metatypes, fonts, the bus's own tables).
    for (int i = 0; i < 20; ++i)
        flap();
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return panel.registeredItems().size() == 4; }));
    const qint64 before = ResidentMemory::bytes();
    for (int i = 0; i < 200; ++i)
        flap();
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return panel.registeredItems().size() == 4; }));
    TestStatusNotifierHost::waitFor([] { return false; }, 200);
    const qint64 after = ResidentMemory::bytes();
    EXPECT_EQ(statusBar->placement(), MeterPlacement::tray);
    if (ResidentMemory::meaningful()) {
        EXPECT_LT(after - before, 1024 * 1024) << before << " → " << after;
    }
}

} // namespace
