#include "Vantor/Preview/MenuBarStripView.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeReadings.h"
#include "tests/support/IsolatedSettings.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace {

namespace Key = SharedSettings::Key;
using enum MonitorSection;

class MenuBarStripViewTest : public ::testing::Test {
protected:
    MenuBarStripViewTest() { SharedSettings::prepareAtLaunch(); }

    static void send(QWidget& widget, QEvent::Type type, QPoint point)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, point, widget.mapToGlobal(point), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }

    static QString storedOrder() { return SharedSettings::store().stringForKey(Key::menuBarOrder).value_or(QString()); }

    IsolatedSettings settings;
    FakeReadings readings;
};

} // namespace

TEST_F(MenuBarStripViewTest, WithEveryItemHiddenTheStripIsEmptyAndNothingCanBeDragged)
{
    for (const MonitorSection section : allMonitorSections)
        SharedSettings::store().setBool(MeterSettings::itemVisibilityKey(section), false);
    MenuBarStripView strip(&readings);
    EXPECT_TRUE(strip.sections().isEmpty());
    EXPECT_EQ(strip.sizeHint().width(), 0);

    send(strip, QEvent::MouseButtonPress, {2, 10});
    EXPECT_FALSE(strip.isDragging());
    send(strip, QEvent::MouseButtonRelease, {2, 10});
    EXPECT_FALSE(SharedSettings::store().persistentObjectForKey(Key::menuBarOrder).isValid());
}

TEST_F(MenuBarStripViewTest, ThePreviewDrawsWhatTheBarOfThisMachineWillDraw)
{
    // Before the agent has said anything, every readout counts as available.
    {
        MenuBarStripView strip(&readings);
        EXPECT_EQ(strip.sections().size(), 4);
    }
    // A machine without sensors: no sensors meter, and the cpu meter shows its usage in the
    // usage's width rather than a temperature it can never have.
    ReadoutSources bare {false, false, false, false, false, false};
    SharedSettings::store().setStringList(Key::availableReadouts, bare.published());
    MenuBarStripView strip(&readings);
    EXPECT_FALSE(strip.sections().contains(sensors));
    EXPECT_EQ(strip.sections().size(), 3);
    SharedSettings::store().setString(Key::cpuReadout, QStringLiteral("usage"));
    const double usageWidth = StatusMetricView::itemWidth(cpu);
    SharedSettings::store().removeObjectForKey(Key::cpuReadout);
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(cpu), usageWidth);
    ReadoutSources::reset();
}

TEST_F(MenuBarStripViewTest, ItemsFollowTheStoredOrderAndVisibility)
{
    SharedSettings::store().setString(Key::menuBarOrder, QStringLiteral("cpu,bogus,memory,cpu"));
    SharedSettings::store().setString(Key::showStorageItem, QStringLiteral("no"));
    SharedSettings::store().setBool(Key::showSensorsItem, false);
    MenuBarStripView strip(&readings);
    // A show key that is not a Boolean counts as shown; unknown and repeated keys are dropped.
    EXPECT_EQ(strip.sections(), (QList<MonitorSection> {cpu, memory, storage}));
    int expected = 0;
    for (const MonitorSection section : strip.sections())
        expected += strip.view(section)->width();
    EXPECT_EQ(strip.sizeHint().width(), expected + 2 * MenuBarStripView::spacing + 2 * MenuBarStripView::hitSlop);
    EXPECT_EQ(strip.view(cpu)->readings(), &readings);

    // Any change of the store rebuilds it.
    SharedSettings::store().setBool(Key::showSensorsItem, true);
    EXPECT_EQ(strip.sections(), (QList<MonitorSection> {cpu, memory, sensors, storage}));
}

TEST_F(MenuBarStripViewTest, DraggingTheFirstMeterToTheFarRightStoresTheNewOrder)
{
    MenuBarStripView strip(&readings);
    strip.resize(strip.sizeHint());
    ASSERT_EQ(strip.sections(), (QList<MonitorSection> {storage, sensors, memory, cpu}));

    const QPoint grab = strip.view(storage)->geometry().center();
    send(strip, QEvent::MouseButtonPress, grab);
    ASSERT_TRUE(strip.isDragging());
    EXPECT_EQ(strip.hovered(), storage);
    for (int x = grab.x(); x <= strip.width() + 40; x += 6)
        send(strip, QEvent::MouseMove, {x, grab.y()});
    // The neighbours have made room while the meter is still held.
    EXPECT_EQ(strip.sections(), (QList<MonitorSection> {sensors, memory, cpu, storage}));
    EXPECT_FALSE(SharedSettings::store().persistentObjectForKey(Key::menuBarOrder).isValid());
    EXPECT_LE(strip.view(storage)->geometry().right(), strip.width());

    send(strip, QEvent::MouseButtonRelease, {strip.width() + 40, grab.y()});
    EXPECT_FALSE(strip.isDragging());
    EXPECT_EQ(storedOrder(), QStringLiteral("sensors,memory,cpu,storage"));
    EXPECT_EQ(strip.sections(), (QList<MonitorSection> {sensors, memory, cpu, storage}));
    EXPECT_EQ(strip.view(sensors)->x(), MenuBarStripView::hitSlop);
}

TEST_F(MenuBarStripViewTest, ADragThatEndsWhereItStartedStoresTheUnchangedOrder)
{
    SharedSettings::store().setBool(Key::showMemoryItem, false);
    MenuBarStripView strip(&readings);
    strip.resize(strip.sizeHint());
    const QPoint grab = strip.view(cpu)->geometry().center();
    send(strip, QEvent::MouseButtonPress, grab);
    send(strip, QEvent::MouseMove, grab + QPoint(-3, 0));
    send(strip, QEvent::MouseMove, grab);
    send(strip, QEvent::MouseButtonRelease, grab);
    // Written although nothing moved; the hidden section keeps its place in the full order.
    EXPECT_TRUE(SharedSettings::store().persistentObjectForKey(Key::menuBarOrder).isValid());
    EXPECT_EQ(storedOrder(), QStringLiteral("storage,sensors,memory,cpu"));
}

TEST_F(MenuBarStripViewTest, AStoreChangeDuringADragWaitsForTheRelease)
{
    MenuBarStripView strip(&readings);
    strip.resize(strip.sizeHint());
    const QPoint grab = strip.view(memory)->geometry().center();
    send(strip, QEvent::MouseButtonPress, grab);
    StatusMetricView* held = strip.view(memory);
    SharedSettings::store().setBool(Key::showStorageItem, false);
    EXPECT_EQ(strip.view(memory), held);
    send(strip, QEvent::MouseButtonRelease, grab);
    EXPECT_EQ(strip.sections(), (QList<MonitorSection> {sensors, memory, cpu}));
}

TEST_F(MenuBarStripViewTest, TheAgentAnnouncingANewOrderRebuildsTheStrip)
{
    MenuBarStripView strip(&readings);
    // Written behind the store object's back, as the agent's process does.
    auto other = PreferencesDomain::open(SharedSettings::suiteName());
    ASSERT_TRUE(other);
    other->setString(Key::menuBarOrder, QStringLiteral("cpu,memory,storage,sensors"));
    EXPECT_EQ(strip.sections().first(), storage);
    SharedSettings::post(SharedSettings::Signal::menuBarChanged);
    EXPECT_EQ(strip.sections(), (QList<MonitorSection> {cpu, memory, storage, sensors}));
}

TEST_F(MenuBarStripViewTest, TheKeyboardChoosesAMeterAndMovesItOnePlaceAtATime)
{
    MeterSettings::setMenuBarOrder({cpu, memory, storage, sensors});
    MenuBarStripView strip(&readings);
    EXPECT_EQ(strip.focusPolicy(), Qt::StrongFocus);
    EXPECT_FALSE(strip.accessibleName().isEmpty());
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&strip, &event);
    };
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&strip, &focusIn);
    EXPECT_EQ(strip.focusedSection(), cpu);

    press(Qt::Key_Right);
    EXPECT_EQ(strip.focusedSection(), memory);
    EXPECT_TRUE(strip.accessibleDescription().startsWith(title(memory)));
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(storedOrder(), QStringLiteral("cpu,storage,memory,sensors"));
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(strip.sections(), (QList<MonitorSection> {cpu, storage, sensors, memory}));
    // At the end of the row it stays put; plain arrows move only the choice.
    press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(storedOrder(), QStringLiteral("cpu,storage,sensors,memory"));
    EXPECT_EQ(strip.focusedSection(), memory);
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    EXPECT_EQ(strip.focusedSection(), cpu);
    EXPECT_EQ(storedOrder(), QStringLiteral("cpu,storage,sensors,memory"));

    // The chosen meter hidden elsewhere: the choice moves to one that is there.
    SharedSettings::store().setBool(Key::showCPUItem, false);
    EXPECT_EQ(strip.focusedSection(), storage);
    // With nothing to choose, Tab passes the preview by.
    for (const MonitorSection section : allMonitorSections)
        SharedSettings::store().setBool(MeterSettings::itemVisibilityKey(section), false);
    EXPECT_EQ(strip.focusPolicy(), Qt::NoFocus);
}
