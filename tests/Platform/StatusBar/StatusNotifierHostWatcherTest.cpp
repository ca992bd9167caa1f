#include "Platform/StatusBar/StatusNotifierHostWatcher.h"
#include "tests/support/ProcessTestTurn.h"
#include "tests/support/ResidentMemory.h"
#include "tests/support/TestStatusNotifierHost.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(StatusNotifierHostWatcher, FollowsAPanelThatComesAndGoes)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    ProcessTestTurn turn;
    TestStatusNotifierHost host;
    StatusNotifierHostWatcher watcher;
    watcher.setSettleDelay(std::chrono::milliseconds(50));
    EXPECT_FALSE(watcher.isHostPresent());
    QSignalSpy changes(&watcher, &TrayHostWatcher::hostPresenceChanged);

    ASSERT_TRUE(host.start());
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return watcher.isHostPresent(); }));
    host.stop();
    ASSERT_TRUE(TestStatusNotifierHost::waitFor([&] { return !watcher.isHostPresent(); }));
    ASSERT_EQ(changes.size(), 2);
    EXPECT_TRUE(changes[0][0].toBool());
    EXPECT_FALSE(changes[1][0].toBool());

    // A watcher made while the panel runs knows at once.
    ASSERT_TRUE(host.start());
    StatusNotifierHostWatcher late;
    EXPECT_TRUE(late.isHostPresent());
}

TEST(StatusNotifierHostWatcher, AFloodOfHostSignalsIsOneQuestionAndCostsNoMemory)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    ProcessTestTurn turn;
    // The panel floods from a process of its own, so only the listening side is measured here.
    QProcess panel;
    panel.start(QStringLiteral(VANTOR_TEST_PROGRAMS "/tray_host_flood"), {QStringLiteral("10000")});
    ASSERT_TRUE(panel.waitForStarted());
    const auto readLine = [&](const char* line) {
        return TestStatusNotifierHost::waitFor([&] {
            if (panel.canReadLine())
                return panel.readLine().trimmed() == line;
            return false;
        });
    };
    ASSERT_TRUE(readLine("ready"));
    StatusNotifierHostWatcher watcher;
    watcher.setSettleDelay(std::chrono::milliseconds(200));
    ASSERT_TRUE(watcher.isHostPresent());
    QSignalSpy changes(&watcher, &TrayHostWatcher::hostPresenceChanged);
    const auto flood = [&] {
        panel.write("flood\n");
        EXPECT_TRUE(readLine("done"));
        // Every signal delivered, the settle time passed and the one question answered.
        TestStatusNotifierHost::waitFor([] { return false; }, 800);
    };
    // The first flood fills what the bus connection keeps for later (its buffers and pools).
    flood();
    const quint64 asked = watcher.questionsAsked();
    const qint64 before = ResidentMemory::bytes();
    flood();
    const qint64 after = ResidentMemory::bytes();
    EXPECT_LE(watcher.questionsAsked() - asked, 2u);
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_TRUE(watcher.isHostPresent());
    if (ResidentMemory::meaningful()) {
        EXPECT_LT(after - before, 1024 * 1024) << before << " → " << after;
    }
    panel.closeWriteChannel();
    panel.waitForFinished(5000);
}

TEST(StatusNotifierHostWatcher, WithoutABusThereIsNoHost)
{
    StatusNotifierHostWatcher watcher(QDBusConnection(QStringLiteral("vantor-no-such-connection")));
    EXPECT_FALSE(watcher.isHostPresent());
}

} // namespace
