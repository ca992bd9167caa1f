#include "VantorAgent/Machines/MachinesMonitor.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachinesMeterView.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/PrometheusAnswers.h"
#include "tests/support/PrometheusFixtureServer.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using PrometheusAnswers::machine;
using Level = MachineThresholds::Level;

class MachinesMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SharedSettings::registerDefaults();
        fixture.answer(PrometheusAnswers::vector(
            machine(QStringLiteral("a:9100"), {{"up", "1"}, {"cpu", "0.35"}}, QStringLiteral("alpha"))
            + machine(QStringLiteral("b:9100"), {{"up", "1"}, {"cpu", "0.93"}})
            + machine(QStringLiteral("c:9100"), {{"up", "0"}})));
        SharedSettings::store().setString(SharedSettings::Key::machinesServer, fixture.baseURL().toString());
    }

    bool waitForAnswer(MachinesMonitor& monitor)
    {
        return QTest::qWaitFor([&] { return monitor.hasAnswered(); }, 15000);
    }

    IsolatedSettings isolated;
    PrometheusFixtureServer fixture;
    FakeSecretStore secrets;
};

TEST_F(MachinesMonitorTest, PublishesTheMachinesAttentionFirst)
{
    MachinesMonitor monitor(secrets);
    monitor.applySettings();
    ASSERT_TRUE(waitForAnswer(monitor));
    ASSERT_FALSE(monitor.lastError().isError()) << monitor.lastError().detail.toStdString();
    QStringList names;
    for (const auto& m : monitor.machines())
        names.append(m.name());
    EXPECT_EQ(names, (QStringList {"c:9100", "b:9100", "alpha"}));
    EXPECT_TRUE(monitor.machines()[0].since.isValid());
    // The filter went out inside the query.
    EXPECT_TRUE(fixture.lastRequest().query.queryItemValue("query", QUrl::FullyDecoded).contains("job=\"node\""));

    // Two need attention, the worst is down.
    EXPECT_EQ(MachinesMeterView::face(monitor), (MachinesMeterView::Face {QStringLiteral("2"), Level::critical}));
}

TEST_F(MachinesMonitorTest, PacesItselfByWhatIsOnScreenAndBacksOffWhenTheServerFails)
{
    MachinesMonitor monitor(secrets);
    monitor.applySettings();
    ASSERT_TRUE(waitForAnswer(monitor));
    EXPECT_FALSE(monitor.isPolling());
    monitor.setMeterShown(true);
    EXPECT_TRUE(monitor.isPolling());
    EXPECT_EQ(monitor.currentInterval(), 15s);
    monitor.setPanelOpen(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fixture.requestCount() == 2 && monitor.isPolling(); }, 15000));
    EXPECT_EQ(monitor.currentInterval(), 5s);
    monitor.setPanelOpen(false);

    fixture.answer("<html>maintenance</html>", 503);
    std::vector<std::chrono::milliseconds> waits;
    for (int i = 0; i < 6; ++i) {
        const int before = fixture.requestCount();
        monitor.refreshNow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return fixture.requestCount() > before && monitor.isPolling(); }, 15000));
        waits.push_back(monitor.currentInterval());
    }
    EXPECT_EQ(waits, (std::vector<std::chrono::milliseconds> {15s, 30s, 60s, 120s, 240s, 300s}));
    EXPECT_EQ(monitor.lastError().kind, PrometheusError::Kind::notPrometheus);
    // The last good figures stay, and the meter shows the warning form.
    EXPECT_EQ(monitor.machines().size(), 3);
    EXPECT_EQ(MachinesMeterView::face(monitor).level, Level::warning);
    // Opening the panel asks at once, and at most every 30 s while it fails.
    const int before = fixture.requestCount();
    monitor.setPanelOpen(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fixture.requestCount() > before && monitor.isPolling(); }, 15000));
    EXPECT_EQ(monitor.currentInterval(), 30s);
}

TEST_F(MachinesMonitorTest, SendsTheSecretFiledUnderThisServerOnly)
{
    auto& store = SharedSettings::store();
    store.setString(SharedSettings::Key::machinesAuthKind, QStringLiteral("bearer"));
    secrets.entries.insert(MachinesConnection::secretKey(QUrl(QStringLiteral("http://elsewhere:9090"))), "wrong");
    MachinesMonitor monitor(secrets);
    monitor.applySettings();
    ASSERT_TRUE(waitForAnswer(monitor));
    EXPECT_FALSE(fixture.lastRequest().headers.contains("authorization"));

    secrets.entries.insert(MachinesConnection::secretKey(*MachinesConnection::serverURL()), "s3cret");
    store.setString(SharedSettings::Key::machinesUser, QStringLiteral("ignored for bearer"));
    monitor.applySettings();
    ASSERT_TRUE(waitForAnswer(monitor));
    EXPECT_EQ(fixture.lastRequest().headers.value("authorization"), "Bearer s3cret");
}

TEST_F(MachinesMonitorTest, AnUnusableServerOrFilterIsAnErrorNotAQuery)
{
    auto& store = SharedSettings::store();
    MachinesMonitor monitor(secrets);
    store.setString(SharedSettings::Key::machinesFilter, QStringLiteral("job=\"node\"} or vector(1) or up{"));
    monitor.applySettings();
    EXPECT_EQ(monitor.lastError().kind, PrometheusError::Kind::queryFailed);
    store.setString(SharedSettings::Key::machinesFilter, QStringLiteral("job=\"node\""));
    store.setString(SharedSettings::Key::machinesServer, QStringLiteral("gopher://old"));
    monitor.applySettings();
    EXPECT_EQ(monitor.lastError().kind, PrometheusError::Kind::invalidAddress);
    store.setString(SharedSettings::Key::machinesServer, QString());
    monitor.applySettings();
    EXPECT_FALSE(monitor.isConfigured());
    QTest::qWait(200);
    EXPECT_EQ(fixture.requestCount(), 0);
}

} // namespace
