#include "Platform/StatusBar/StatusNotifierHostWatcher.h"
#include "tests/support/TestStatusNotifierHost.h"

#include <QDBusConnection>
#include <QDir>
#include <QLockFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// The watcher's name is one per bus; tests that take it run one at a time.
class HostTurn {
public:
    HostTurn()
        : m_lock(QDir::tempPath() + QStringLiteral("/vantor-agent-process-tests.lock"))
    {
        m_lock.setStaleLockTime(0);
        m_lock.lock();
    }

private:
    QLockFile m_lock;
};

TEST(StatusNotifierHostWatcher, FollowsAPanelThatComesAndGoes)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus";
    HostTurn turn;
    TestStatusNotifierHost host;
    StatusNotifierHostWatcher watcher;
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

TEST(StatusNotifierHostWatcher, WithoutABusThereIsNoHost)
{
    StatusNotifierHostWatcher watcher(QDBusConnection(QStringLiteral("vantor-no-such-connection")));
    EXPECT_FALSE(watcher.isHostPresent());
}

} // namespace
