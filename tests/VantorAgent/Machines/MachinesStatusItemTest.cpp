#include "VantorAgent/Machines/MachinesStatusItem.h"

#include "Platform/Popover/PopoverWindow.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachineRow.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorAgent/Machines/MachinesPanel.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/FakeStatusBar.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/PrometheusAnswers.h"
#include "tests/support/PrometheusFixtureServer.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

namespace Key = SharedSettings::Key;

TEST(MachinesStatusItemTest, AFifthItemLeftOfTheFourOnlyWhileAServerIsSet)
{
    IsolatedSettings isolated;
    SharedSettings::registerDefaults();
    auto agentDefaults = PreferencesDomain::open(QStringLiteral("agent.defaults"), isolated.configDirectory());
    FakeStatusBar bar;
    FakeSecretStore secrets;
    MachinesMonitor monitor(secrets);
    MachinesStatusItem item(monitor, bar, *agentDefaults);

    item.applySettings();
    EXPECT_FALSE(item.isShown());
    EXPECT_EQ(bar.created, 0);

    PrometheusFixtureServer fixture;
    fixture.answer(
        PrometheusAnswers::vector(PrometheusAnswers::machine(QStringLiteral("a:9100"), {{"up", "1"}, {"cpu", "0.4"}})));
    SharedSettings::store().setString(Key::machinesServer, fixture.baseURL().toString());
    monitor.applySettings();
    item.applySettings();
    ASSERT_TRUE(item.isShown());
    EXPECT_EQ(item.item()->autosaveName(), MachinesStatusItem::autosaveName);
    // Placed by a position larger than any the four items get.
    EXPECT_GT(agentDefaults->doubleForKey(Key::statusItemPreferredPositionPrefix + MachinesStatusItem::autosaveName),
        4000 + 3 * 100);

    // The panel lists the machine once the answer is in; a click on it shows its own panel.
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.hasAnswered(); }, 10000));
    item.item()->button()->performClick();
    ASSERT_TRUE(item.isPanelOpen());
    ASSERT_NE(item.panel(), nullptr);
    ASSERT_EQ(item.panel()->rows().size(), 1);
    EXPECT_EQ(item.panel()->rows()[0]->machine().instance, "a:9100");
    EXPECT_EQ(monitor.currentInterval(), MachinesMonitor::openInterval);
    item.item()->button()->performClick();
    EXPECT_FALSE(item.isPanelOpen());

    SharedSettings::store().setBool(Key::showMachinesItem, false);
    item.applySettings();
    EXPECT_FALSE(item.isShown());
    EXPECT_EQ(bar.removed, 1);
}

TEST(MachinesStatusItemTest, ThePanelSaysWhyTheServerGaveNoAnswer)
{
    IsolatedSettings isolated;
    SharedSettings::registerDefaults();
    PrometheusFixtureServer fixture;
    fixture.answer({}, 401);
    SharedSettings::store().setString(Key::machinesServer, fixture.baseURL().toString());
    FakeSecretStore secrets;
    MachinesMonitor monitor(secrets);
    monitor.applySettings();
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.hasAnswered(); }, 10000));
    MachinesPanel panel(monitor, 600);
    EXPECT_EQ(panel.statusText(), "The server refused the credentials (401).");
    EXPECT_TRUE(panel.rows().isEmpty());
}

} // namespace
