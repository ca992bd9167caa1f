#include "VantorAgent/Machines/MachineAlerts.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using Event = MachineAlerts::Event;
using Reason = MachineThresholds::Reason;

MachineStatus machine(const QString& name, bool up, double cpu = 0.1)
{
    MachineStatus m;
    m.instance = name;
    m.up = up;
    m.cpu = cpu;
    return m;
}

struct Clock {
    QDateTime now = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    QDateTime advance(int seconds) { return now = now.addSecs(seconds); }
};

TEST(MachineAlertsTest, TellsOnceWhenAConditionHeldForTwoMinutesAndOnceWhenItEnds)
{
    MachineAlerts alerts;
    const MachineThresholds t;
    Clock clock;
    EXPECT_TRUE(alerts.update({machine("a", false)}, t, clock.now).isEmpty());
    EXPECT_TRUE(alerts.update({machine("a", false)}, t, clock.advance(119)).isEmpty());
    EXPECT_EQ(alerts.update({machine("a", false)}, t, clock.advance(1)),
        (QList<Event> {{Event::Kind::attention, "a", "a", {Reason::down}}}));
    // Still down: nothing more, however long it lasts.
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(alerts.update({machine("a", false)}, t, clock.advance(15)).isEmpty());
    EXPECT_EQ(alerts.update({machine("a", true)}, t, clock.advance(15)),
        (QList<Event> {{Event::Kind::recovered, "a", "a", {}}}));
    EXPECT_TRUE(alerts.update({machine("a", true)}, t, clock.advance(15)).isEmpty());
}

TEST(MachineAlertsTest, AHotMachineThatGoesDownHasNotRecovered)
{
    MachineAlerts alerts;
    const MachineThresholds t;
    Clock clock;
    alerts.update({machine("a", true, 0.95)}, t, clock.now);
    EXPECT_EQ(alerts.update({machine("a", true, 0.95)}, t, clock.advance(120)),
        (QList<Event> {{Event::Kind::attention, "a", "a", {Reason::cpu}}}));
    // Down now: no word of a recovery, and after the hold time the outage itself.
    EXPECT_TRUE(alerts.update({machine("a", false)}, t, clock.advance(15)).isEmpty());
    EXPECT_EQ(alerts.update({machine("a", false)}, t, clock.advance(120)),
        (QList<Event> {{Event::Kind::attention, "a", "a", {Reason::down}}}));
    EXPECT_EQ(alerts.update({machine("a", true)}, t, clock.advance(15)),
        (QList<Event> {{Event::Kind::recovered, "a", "a", {}}}));
}

TEST(MachineAlertsTest, AValueHoveringAtItsThresholdNeverFloods)
{
    MachineAlerts alerts;
    const MachineThresholds t;
    Clock clock;
    int events = 0;
    // Above for a minute, under for one query, above again: the hold time starts over each time.
    for (int round = 0; round < 10; ++round) {
        for (int i = 0; i < 4; ++i)
            events += int(alerts.update({machine("a", true, 0.95)}, t, clock.advance(15)).size());
        events += int(alerts.update({machine("a", true, 0.5)}, t, clock.advance(15)).size());
    }
    EXPECT_EQ(events, 0);
}

TEST(MachineAlertsTest, SeparateReasonsAndMachinesKeepTheirOwnClocks)
{
    MachineAlerts alerts;
    const MachineThresholds t;
    Clock clock;
    MachineStatus hot = machine("a", true, 0.95);
    alerts.update({hot, machine("b", true)}, t, clock.now);
    hot.memory = 0.97;
    alerts.update({hot, machine("b", false)}, t, clock.advance(60));
    EXPECT_EQ(alerts.update({hot, machine("b", false)}, t, clock.advance(60)),
        (QList<Event> {{Event::Kind::attention, "a", "a", {Reason::cpu}}}));
    EXPECT_EQ(alerts.update({hot, machine("b", false)}, t, clock.advance(60)),
        (QList<Event> {
            {Event::Kind::attention, "a", "a", {Reason::memory}}, {Event::Kind::attention, "b", "b", {Reason::down}}}));
    // Memory comes back but CPU is still high: no recovery yet.
    hot.memory = 0.5;
    EXPECT_TRUE(alerts.update({hot, machine("b", false)}, t, clock.advance(15)).isEmpty());
    // A machine that leaves the answer is forgotten without a word; back later, it starts afresh.
    EXPECT_TRUE(alerts.update({hot}, t, clock.advance(15)).isEmpty());
    EXPECT_TRUE(alerts.update({hot, machine("b", false)}, t, clock.advance(15)).isEmpty());
}

} // namespace
