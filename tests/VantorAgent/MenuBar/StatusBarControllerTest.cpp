#include "VantorAgent/MenuBar/StatusBarController.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeMainQueue.h"
#include "tests/support/FakeReadings.h"
#include "tests/support/FakeSMCTransport.h"
#include "tests/support/FakeStatusBar.h"
#include "tests/support/IsolatedSettings.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <memory>

using namespace SharedSettings;
using namespace std::chrono_literals;

namespace {

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class StatusBarControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bundle::setMainBundlePathForTesting(QStringLiteral(VANTOR_AGENT_BUNDLE));
        StatusMetricView::resetCachesForTesting();
        SharedSettings::prepareAtLaunch();
    }
    void TearDown() override
    {
        controller.reset();
        StatusMetricView::resetCachesForTesting();
        Bundle::setMainBundlePathForTesting(QString());
    }

    static PreferencesDomain& store() { return SharedSettings::store(); }
    static PreferencesDomain& agentDefaults() { return PreferencesDomain::standard(); }

    // A machine whose only sensor is a fan (so that the sensors meter has something to show),
    // or one without any sensor at all.
    void start(bool withSensors = true)
    {
        SystemMonitor::Sources sources;
        sources.procRoot = settings.path() + QStringLiteral("/no-proc");
        sources.sysRoot = settings.path() + QStringLiteral("/no-sys");
        sources.loadAverages = [](std::array<double, 3>&) { return false; };
        sources.clock = [] { return 100.0; };
        sources.startTimer = false;
        sources.sensorTransport = [withSensors]() -> std::unique_ptr<SMCTransport> {
            return withSensors ? FakeSMCTransport::oneFan() : nullptr;
        };
        controller = std::make_unique<StatusBarController>(
            std::make_unique<SystemMonitor>(sources), bar, agentDefaults(), queue);
    }

    FakeStatusItem* item(MonitorSection section) const
    {
        return static_cast<FakeStatusItem*>(controller->statusItem(section));
    }
    // Lays the windows out left to right in `order`, 100 apart.
    void placeWindows(const QList<MonitorSection>& order)
    {
        for (qsizetype i = 0; i < order.size(); ++i)
            item(order[i])->window.rect.moveLeft(int(i) * 100);
    }
    QString storedOrder() const { return store().stringForKey(Key::menuBarOrder).value_or(QString()); }
    int menuBarChangedPosts() const { return int(settings.transport.posted.count(name(Signal::menuBarChanged))); }

    IsolatedSettings settings;
    FakeStatusBar bar;
    FakeMainQueue queue;
    std::unique_ptr<StatusBarController> controller;
};

using S = MonitorSection;

TEST_F(StatusBarControllerTest, InstallsTheVisibleSectionsInTheStoredOrder)
{
    start();
    const QList<S> order {S::storage, S::sensors, S::memory, S::cpu};
    EXPECT_EQ(controller->appliedOrder(), order);
    ASSERT_EQ(bar.items.size(), 4u);
    // Created right to left, so that each new item lands left of the others.
    EXPECT_EQ(bar.items.front()->autosaveName(), QStringLiteral("Vantor.cpu.1"));
    EXPECT_EQ(bar.items.back()->autosaveName(), QStringLiteral("Vantor.storage.1"));
    EXPECT_EQ(controller->visualOrder(), order);
    EXPECT_EQ(agentDefaults().integerForKey(Key::itemGeneration), 1);

    const double expected[] = {4300, 4200, 4100, 4000};
    for (int i = 0; i < 4; ++i) {
        const QString name = StatusBarController::autosaveName(order[i], 1);
        EXPECT_EQ(agentDefaults().doubleForKey(Key::statusItemPreferredPositionPrefix + name), expected[i]) << i;
        FakeStatusItem* installed = item(order[i]);
        ASSERT_NE(installed, nullptr);
        EXPECT_EQ(installed->autosaveName(), name);
        EXPECT_DOUBLE_EQ(installed->length(), StatusMetricView::itemWidth(order[i]));
        EXPECT_EQ(installed->button()->accessibilityLabel(), title(order[i]));
        EXPECT_TRUE(installed->button()->sendsActionOnLeftMouseDown());
        StatusMetricView* view = controller->meterView(order[i]);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->parentWidget(), installed->button());
        EXPECT_EQ(view->readings(), &controller->monitor());
    }
}

TEST_F(StatusBarControllerTest, EachInstallTakesAFreshGenerationAndDropsThePreviousKeys)
{
    agentDefaults().setInteger(Key::itemGeneration, 3);
    for (const S section : allMonitorSections) {
        const QString name = StatusBarController::autosaveName(section, 3);
        agentDefaults().setDouble(Key::statusItemPreferredPositionPrefix + name, 1234);
        agentDefaults().setBool(Key::statusItemVisiblePrefix + name, true);
    }
    start();
    EXPECT_EQ(item(S::memory)->autosaveName(), QStringLiteral("Vantor.memory.4"));
    EXPECT_EQ(agentDefaults().integerForKey(Key::itemGeneration), 4);
    for (const S section : allMonitorSections) {
        const QString old = StatusBarController::autosaveName(section, 3);
        EXPECT_FALSE(agentDefaults().objectForKey(Key::statusItemPreferredPositionPrefix + old).isValid());
        EXPECT_FALSE(agentDefaults().objectForKey(Key::statusItemVisiblePrefix + old).isValid());
    }

    // A rebuild moves on to 5 and drops the keys of 4.
    store().setBool(Key::showSensorsItem, false);
    controller->applyMeterSettings();
    EXPECT_EQ(item(S::cpu)->autosaveName(), QStringLiteral("Vantor.cpu.5"));
    EXPECT_FALSE(
        agentDefaults()
            .objectForKey(Key::statusItemPreferredPositionPrefix + StatusBarController::autosaveName(S::cpu, 4))
            .isValid());

    // A nonsensical stored generation starts over instead of overflowing.
    agentDefaults().setInteger(Key::itemGeneration, std::numeric_limits<qint64>::max());
    store().setBool(Key::showSensorsItem, true);
    controller->applyMeterSettings();
    EXPECT_EQ(item(S::cpu)->autosaveName(), QStringLiteral("Vantor.cpu.1"));
}

TEST_F(StatusBarControllerTest, HidingAndShowingASectionRebuilds)
{
    start();
    store().setBool(Key::showMemoryItem, false);
    controller->applyMeterSettings();
    EXPECT_EQ(bar.removed, 4);
    EXPECT_EQ(bar.items.size(), 3u);
    EXPECT_EQ(controller->appliedOrder(), (QList<S> {S::storage, S::sensors, S::cpu}));
    EXPECT_EQ(controller->statusItem(S::memory), nullptr);
    EXPECT_EQ(controller->meterView(S::memory), nullptr);
    EXPECT_TRUE(controller->isRebuildingItems());
    queue.runDue();
    EXPECT_FALSE(controller->isRebuildingItems());

    store().setBool(Key::showMemoryItem, true);
    controller->applyMeterSettings();
    EXPECT_EQ(controller->appliedOrder(), (QList<S> {S::storage, S::sensors, S::memory, S::cpu}));
    EXPECT_EQ(controller->visualOrder(), controller->appliedOrder());
}

TEST_F(StatusBarControllerTest, AMachineWithoutSensorsHasNoSensorsMeterAndTellsTheSettingsApp)
{
    start(false);
    // The meter would be an icon with nothing beside it; the setting stays as the user left it.
    EXPECT_EQ(controller->appliedOrder(), (QList<S> {S::storage, S::memory, S::cpu}));
    EXPECT_EQ(controller->statusItem(S::sensors), nullptr);
    EXPECT_TRUE(MeterSettings::showsItem(S::sensors));
    EXPECT_FALSE(store().persistentObjectForKey(Key::showSensorsItem).isValid());

    // Nothing is published on the way up; the first cycle publishes, once.
    EXPECT_FALSE(store().persistentObjectForKey(Key::availableReadouts).isValid());
    EXPECT_EQ(menuBarChangedPosts(), 0);
    controller->monitor().refresh();
    const QStringList published = store().stringArrayForKey(Key::availableReadouts);
    EXPECT_TRUE(published.contains(QStringLiteral("cpu.usage")));
    EXPECT_FALSE(published.contains(QStringLiteral("cpu.temperature")));
    EXPECT_FALSE(published.contains(QStringLiteral("sensors.fan")));
    EXPECT_EQ(menuBarChangedPosts(), 1);
    controller->monitor().refresh();
    controller->monitor().refresh();
    EXPECT_EQ(menuBarChangedPosts(), 1);
    // The cpu readout's default shows what the machine has: its usage, in a fitting width.
    EXPECT_EQ(MeterSettings::cpuReadout(), CPUReadout::usage);
    EXPECT_DOUBLE_EQ(item(S::cpu)->length(), StatusMetricView::itemWidth(S::cpu));
}

TEST_F(StatusBarControllerTest, ApplyingUnchangedSettingsResizesAndRedrawsButRebuildsNothing)
{
    start();
    const int created = bar.created;
    controller->applyMeterSettings();
    controller->applyMeterSettings();
    EXPECT_EQ(bar.created, created);
    EXPECT_EQ(bar.removed, 0);
    EXPECT_EQ(item(S::cpu)->lengthChanges, 2);

    // A style change only resizes.
    store().setString(Key::meterStyle, QStringLiteral("compact"));
    store().setString(Key::cpuReadout, QStringLiteral("off"));
    controller->applyMeterSettings();
    EXPECT_EQ(bar.created, created);
    EXPECT_DOUBLE_EQ(item(S::cpu)->length(), StatusMetricView::itemWidth(S::cpu));
    EXPECT_DOUBLE_EQ(item(S::cpu)->length(), StatusMetricView::labelWidth(S::cpu) + 1 + 5 + 46 + 1);
}

TEST_F(StatusBarControllerTest, WritesToTheSharedStoreAreAppliedOnceOnTheNextTurn)
{
    start();
    store().setBool(Key::showCPUItem, false);
    store().setString(Key::meterStyle, QStringLiteral("wave"));
    EXPECT_NE(controller->statusItem(S::cpu), nullptr);
    queue.runDue();
    EXPECT_EQ(controller->statusItem(S::cpu), nullptr);
    EXPECT_EQ(bar.removed, 4); // one rebuild for both writes
}

TEST_F(StatusBarControllerTest, MetersRepaintOnlyWhenTheirSignatureChanges)
{
    start();
    FakeReadings readings;
    PaintCounter counter;
    for (const auto& owned : bar.items)
        owned->button()->window()->show();
    for (const S section : allMonitorSections) {
        controller->meterView(section)->setReadings(&readings);
        controller->meterView(section)->installEventFilter(&counter);
    }
    QCoreApplication::processEvents();
    counter.paints = 0;

    controller->redrawChangedMeters();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 4);

    counter.paints = 0;
    readings.memory += 0.0005;
    controller->redrawChangedMeters();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);

    readings.memory += 1.0 / 400;
    controller->redrawChangedMeters();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);

    // Settings forget the signatures, so the next refresh draws everything.
    counter.paints = 0;
    controller->applyMeterSettings();
    QCoreApplication::processEvents();
    counter.paints = 0;
    controller->redrawChangedMeters();
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 4);
}

TEST_F(StatusBarControllerTest, DraggingAnItemStoresTheVisibleOrderAndKeepsHiddenSlots)
{
    store().setString(Key::menuBarOrder, QStringLiteral("sensors,storage,memory,cpu"));
    start();
    queue.runDue();
    placeWindows({S::sensors, S::storage, S::memory, S::cpu});
    bar.modifiers = Qt::ControlModifier;
    bar.moveWindow(item(S::storage), -50);
    queue.advance(300ms);
    EXPECT_EQ(storedOrder(), QStringLiteral("storage,sensors,memory,cpu"));
    EXPECT_EQ(controller->appliedOrder(), (QList<S> {S::storage, S::sensors, S::memory, S::cpu}));
    EXPECT_EQ(menuBarChangedPosts(), 1);
    // The order it wrote is the one it has: no rebuild follows.
    queue.runDue();
    EXPECT_EQ(bar.removed, 0);

    // With memory hidden, moving cpu to the far left keeps memory's slot.
    store().setBool(Key::showMemoryItem, false);
    controller->applyMeterSettings();
    queue.runDue();
    placeWindows({S::cpu, S::storage, S::sensors});
    bar.moveWindow(item(S::cpu), 0);
    queue.advance(300ms);
    EXPECT_EQ(storedOrder(), QStringLiteral("cpu,storage,memory,sensors"));
    EXPECT_EQ(menuBarChangedPosts(), 2);
}

TEST_F(StatusBarControllerTest, MovesThatAreNotTheUsersDragNeverChangeTheOrder)
{
    start();
    const QString before = storedOrder();
    placeWindows({S::cpu, S::memory, S::storage, S::sensors});

    // During a rebuild, even with the modifier held.
    store().setBool(Key::showCPUItem, false);
    controller->applyMeterSettings();
    ASSERT_TRUE(controller->isRebuildingItems());
    bar.modifiers = Qt::ControlModifier;
    placeWindows({S::sensors, S::storage, S::memory});
    bar.moveWindow(item(S::sensors), -10);
    queue.advance(1s);
    EXPECT_EQ(storedOrder(), before);
    EXPECT_EQ(menuBarChangedPosts(), 0);

    // Without the modifier and without a pressed button.
    bar.modifiers = Qt::NoModifier;
    bar.moveWindow(item(S::sensors), -20);
    EXPECT_EQ(queue.pendingCount(), 0u);
    queue.advance(1s);
    EXPECT_EQ(menuBarChangedPosts(), 0);

    // A pressed mouse button counts as the user's hand.
    bar.buttons = Qt::LeftButton;
    bar.moveWindow(item(S::sensors), -30);
    queue.advance(300ms);
    EXPECT_EQ(menuBarChangedPosts(), 1);
    EXPECT_NE(storedOrder(), before);

    // Windows of something else are not status items.
    FakeStatusWindow stranger;
    emit bar.windowMoved(&stranger);
    EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST_F(StatusBarControllerTest, SeveralMovesSettleIntoOneEvaluationAfterTheLast)
{
    start();
    queue.runDue();
    bar.modifiers = Qt::ControlModifier;
    placeWindows({S::cpu, S::memory, S::storage, S::sensors});
    bar.moveWindow(item(S::cpu), 0);
    queue.advance(200ms);
    bar.moveWindow(item(S::cpu), 1);
    queue.advance(200ms);
    bar.moveWindow(item(S::cpu), 2);
    queue.advance(299ms);
    EXPECT_EQ(menuBarChangedPosts(), 0);
    queue.advance(1ms);
    EXPECT_EQ(menuBarChangedPosts(), 1);
    EXPECT_EQ(storedOrder(), QStringLiteral("cpu,memory,storage,sensors"));
    queue.advance(1s);
    EXPECT_EQ(menuBarChangedPosts(), 1);
}

TEST_F(StatusBarControllerTest, ItemsWithoutWindowsOrButtons)
{
    // Without windows there is no visual order, so a drag is not learned.
    bar.withWindows = false;
    start();
    EXPECT_FALSE(controller->visualOrder());
    EXPECT_TRUE(controller->statusButtonScreenRects().isEmpty());
    bar.modifiers = Qt::ControlModifier;
    controller->noteItemsMoved();
    queue.advance(1s);
    EXPECT_EQ(menuBarChangedPosts(), 0);
    controller.reset();
    EXPECT_TRUE(bar.items.empty());

    // An item the bar gives no button holds no meter and is not left behind in the bar.
    bar.withWindows = true;
    bar.withButtons = false;
    start();
    EXPECT_EQ(controller->statusItem(S::cpu), nullptr);
    EXPECT_TRUE(bar.items.empty());
    EXPECT_EQ(controller->visualOrder(), QList<S>());
}

TEST_F(StatusBarControllerTest, AClickNamesTheSectionOfTheItem)
{
    start();
    QList<S> clicked;
    QObject::connect(
        controller.get(), &StatusBarController::sectionClicked, [&](S section) { clicked.append(section); });
    item(S::storage)->button()->performClick();
    item(S::cpu)->button()->performClick();
    EXPECT_EQ(clicked, (QList<S> {S::storage, S::cpu}));
    EXPECT_TRUE(controller->isStatusItemWindow(&item(S::cpu)->window));
    EXPECT_EQ(controller->statusButtonScreenRects().size(), 4);
}

} // namespace
