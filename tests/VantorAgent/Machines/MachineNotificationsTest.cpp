#include "VantorAgent/Machines/MachineNotifications.h"

#include "Platform/Notifications/FreedesktopNotifier.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeNotificationService.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/IsolatedSettings.h"

#include <QTest>

#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

MachineStatus machine(const QString& name, bool up, double cpu = 0.1)
{
    MachineStatus m;
    m.instance = name + QStringLiteral(":9100");
    m.nodename = name;
    m.up = up;
    m.cpu = cpu;
    return m;
}

class MachineNotificationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus";
        SharedSettings::registerDefaults();
        ASSERT_TRUE(service.isRegistered());
        notifications.setClock([this] { return now; });
    }

    // One query's answer, `seconds` after the last.
    void answer(const QList<MachineStatus>& machines, int seconds = 15)
    {
        now = now.addSecs(seconds);
        emit monitor.machinesUpdated(machines);
    }
    bool settle(qsizetype count)
    {
        static_cast<void>(QTest::qWaitFor([&] { return service.shown.size() >= count; }, 3000));
        QTest::qWait(100);
        return service.shown.size() == count;
    }

    IsolatedSettings isolated;
    FakeNotificationService service;
    FakeSecretStore secrets;
    MachinesMonitor monitor {secrets};
    FreedesktopNotifier notifier {QStringLiteral("Vantor"), QString()};
    MachineNotifications notifications {monitor, notifier};
    QDateTime now = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
};

TEST_F(MachineNotificationsTest, OneNotificationPerEventOnTheDesktopsService)
{
    // The first answer starts the hold time; the ninth, 2 minutes later, ends it.
    for (int i = 0; i < 9; ++i)
        answer({machine("alpha", false), machine("beta", true, 0.95)});
    ASSERT_TRUE(settle(2));
    // Two machines, two notifications; which the desktop shows first is not ours to promise (the
    // bus may hand the calls over in either order).
    QList<FakeNotificationService::Shown> shown = service.shown;
    std::sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) { return a.title < b.title; });
    EXPECT_EQ(shown[0].application, "Vantor");
    EXPECT_EQ(shown[0].title, "alpha is down");
    EXPECT_EQ(shown[0].body, "Not reachable by the server");
    EXPECT_EQ(shown[1].title, "beta needs attention");
    EXPECT_EQ(shown[1].body, "CPU above 90%");
    for (int i = 0; i < 4; ++i)
        answer({machine("alpha", true), machine("beta", true, 0.95)});
    ASSERT_TRUE(settle(3));
    EXPECT_EQ(service.shown[2].title, "alpha has recovered");
}

TEST_F(MachineNotificationsTest, ManyAtOnceBecomeOneAndTheSwitchSilencesThem)
{
    const QList<MachineStatus> allDown {
        machine("a", false), machine("b", false), machine("c", false), machine("d", false), machine("e<b>", false)};
    answer(allDown);
    answer(allDown, 120);
    ASSERT_TRUE(settle(1));
    EXPECT_EQ(service.shown[0].title, "5 machines need attention");
    // Names from the network are not markup.
    EXPECT_EQ(service.shown[0].body, "a, b, c, d, e&lt;b&gt;");

    SharedSettings::store().setBool(SharedSettings::Key::machinesAlerts, false);
    answer({machine("a", true), machine("b", true), machine("c", true), machine("d", true), machine("e<b>", true)});
    answer({machine("x", false)});
    answer({machine("x", false)}, 200);
    EXPECT_TRUE(settle(1));
}

} // namespace
