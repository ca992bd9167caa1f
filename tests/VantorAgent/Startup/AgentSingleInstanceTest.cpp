// One agent per session and suite, with the real program: however it was started, whatever else
// of the agent program runs beside it, and while a hand edit of its settings is under way.
#include "Platform/Session/InstanceClaim.h"
#include "VantorShared/System/AppLinks.h"
#include "tests/support/AgentProcess.h"
#include "tests/support/ProcessTestTurn.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString uniqueSuite(const char* what)
{
    return QStringLiteral("single.%1.%2").arg(QLatin1String(what)).arg(QCoreApplication::applicationPid());
}

// Whether the process ends within `milliseconds` (or has ended already).
bool ends(QProcess& process, int milliseconds = 10000)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished(milliseconds);
}

bool haveSessionBus()
{
    return QDBusConnection::sessionBus().isConnected();
}

} // namespace

TEST(AgentSingleInstance, AnAgentStartedThroughAWaitingWrapperYieldsToTheOneAlreadyUp)
{
    // Real agents: the other tests that start them must not see these.
    ProcessTestTurn turn;
    if (!haveSessionBus())
        GTEST_SKIP() << "no session bus";
    const QString suite = uniqueSuite("wrapper");
    // The wrapper forks first and becomes the agent only after the plain start is up.
    AgentProcess wrapped(suite, QStringLiteral("/bin/sh"));
    wrapped.process.setArguments(
        {QStringLiteral("-c"), QStringLiteral("sleep 2; exec \"$0\""), AgentProcess::builtProgram()});
    wrapped.process.start();
    ASSERT_TRUE(wrapped.process.waitForStarted());
    QThread::msleep(200);

    AgentProcess plain(suite);
    plain.process.start();
    ASSERT_TRUE(plain.process.waitForStarted());
    ASSERT_TRUE(plain.waitForLog(QStringLiteral("up, pid"), 15000)) << plain.log.toStdString();

    EXPECT_TRUE(wrapped.waitForLog(
        QStringLiteral("an agent of this user, session bus and settings suite is already running (pid %1")
            .arg(plain.process.processId()),
        15000))
        << wrapped.log.toStdString();
    EXPECT_TRUE(ends(wrapped.process, 10000));
    EXPECT_FALSE(wrapped.log.contains(QStringLiteral("up, pid")));
    EXPECT_TRUE(plain.stillRunningAfter(500)) << plain.log.toStdString();
}

TEST(AgentSingleInstance, WithoutABusALockFileInTheRuntimeFolderKeepsOneAgent)
{
    // Real agents: the other tests that start them must not see these.
    ProcessTestTurn turn;
    QTemporaryDir runtime;
    const QString suite = uniqueSuite("nobus");
    const auto noBus = [&](AgentProcess& agent) {
        agent.setEnvironment(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        agent.setEnvironment(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    };
    AgentProcess first(suite);
    noBus(first);
    first.process.start();
    ASSERT_TRUE(first.waitForLog(QStringLiteral("up, pid"), 15000)) << first.log.toStdString();
    const QStringList locks = QDir(runtime.path() + QStringLiteral("/vantor")).entryList(QDir::Files);
    ASSERT_EQ(locks.size(), 1);
    EXPECT_TRUE(locks.first().startsWith(QStringLiteral("agent-")));

    AgentProcess second(suite);
    noBus(second);
    second.process.start();
    EXPECT_TRUE(second.waitForLog(QStringLiteral("already running (pid %1").arg(first.process.processId()), 15000))
        << second.log.toStdString();
    EXPECT_TRUE(ends(second.process, 10000));

    // Once the holder has gone, the next agent takes over.
    first.process.terminate();
    ASSERT_TRUE(ends(first.process, 10000));
    AgentProcess third(suite);
    noBus(third);
    third.process.start();
    EXPECT_TRUE(third.waitForLog(QStringLiteral("up, pid"), 15000)) << third.log.toStdString();
}

TEST(AgentSingleInstance, AnAgentStartedWhileASnapshotRunsStaysUp)
{
    // Real agents: the other tests that start them must not see these.
    ProcessTestTurn turn;
    if (!haveSessionBus())
        GTEST_SKIP() << "no session bus";
    const QString suite = uniqueSuite("snapshot");
    AgentProcess snapshot(suite);
    snapshot.process.setArguments({QStringLiteral("--readings")});
    snapshot.process.start();
    ASSERT_TRUE(snapshot.process.waitForStarted());
    // Held in the middle of its sampling for as long as the agent takes to decide.
    ::kill(pid_t(snapshot.process.processId()), SIGSTOP);

    AgentProcess agent(suite);
    agent.process.start();
    EXPECT_TRUE(agent.waitForLog(QStringLiteral("up, pid"), 15000)) << agent.log.toStdString();
    EXPECT_FALSE(agent.log.contains(QStringLiteral("already running")));

    ::kill(pid_t(snapshot.process.processId()), SIGCONT);
    EXPECT_TRUE(ends(snapshot.process, 30000));
    EXPECT_TRUE(agent.stillRunningAfter(500)) << agent.log.toStdString();
}

TEST(AgentSingleInstance, ASlowHandEditInPlaceIsNeverSetAsideAndLandsWhole)
{
    // Real agents: the other tests that start them must not see these.
    ProcessTestTurn turn;
    const QString suite = uniqueSuite("edit");
    AgentProcess agent(suite);
    // A settings file of a realistic size, and an edit of it that takes its time.
    const auto document = [](const char* style) {
        QByteArray text = "{\n    \"meterStyle\": \"" + QByteArray(style) + "\",\n";
        for (int i = 0; i < 50; ++i)
            text += "    \"note" + QByteArray::number(i) + "\": \"a note kept by hand in the settings file\",\n";
        text += "    \"agentEnabled\": true\n}\n";
        return text;
    };
    QDir().mkpath(agent.configHome() + QStringLiteral("/vantor"));
    {
        QFile file(agent.settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(document("bars"));
    }
    agent.process.start();
    ASSERT_TRUE(agent.waitForLog(QStringLiteral("up, pid"), 15000)) << agent.log.toStdString();

    const QByteArray edited = document("wave");
    ASSERT_GT(edited.size(), 2500);
    {
        const int fd = ::open(QFile::encodeName(agent.settingsFile()).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        for (qsizetype at = 0; at < edited.size(); at += 250) {
            const QByteArray piece = edited.mid(at, 250);
            ASSERT_EQ(::write(fd, piece.constData(), size_t(piece.size())), piece.size());
            agent.stillRunningAfter(150);
        }
        ::close(fd);
    }
    // Past the settle time: nothing is judged corrupt, the edit is whole where it was written.
    EXPECT_TRUE(agent.stillRunningAfter(2600)) << agent.log.toStdString();
    QFile file(agent.settingsFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), edited);
    EXPECT_TRUE(QDir(agent.configHome() + QStringLiteral("/vantor"))
                    .entryList({QStringLiteral("*.corrupt-*")}, QDir::Files)
                    .isEmpty());
    EXPECT_FALSE(agent.log.contains(QStringLiteral("kept a copy"))) << agent.log.toStdString();
}

TEST(AgentSingleInstance, AStuckLockHolderCostsStartUpOneWaitAtMost)
{
    // Real agents: the other tests that start them must not see these.
    ProcessTestTurn turn;
    // Start-up time to the meters, without and then with a process that holds the settings lock
    // and never lets go (as a stopped one would), each on fresh settings.
    const auto timeToMeters = [](bool holdLock, QString* log) -> qint64 {
        AgentProcess agent(uniqueSuite(holdLock ? "stuck" : "free"));
        const QString folder = agent.configHome() + QStringLiteral("/vantor");
        QDir().mkpath(folder);
        int fd = -1;
        if (holdLock) {
            const QString lock = folder + QStringLiteral("/") + uniqueSuite("stuck") + QStringLiteral(".json.lock");
            fd = ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
                return -1;
        }
        QElapsedTimer clock;
        clock.start();
        agent.process.start();
        const bool up = agent.waitForLog(QStringLiteral("meters in the"), 20000);
        const qint64 elapsed = clock.elapsed();
        *log = agent.log;
        if (fd >= 0)
            ::close(fd);
        return up ? elapsed : -1;
    };
    QString log;
    const qint64 free = timeToMeters(false, &log);
    ASSERT_GE(free, 0) << log.toStdString();
    const qint64 stuck = timeToMeters(true, &log);
    ASSERT_GE(stuck, 0) << log.toStdString();
    EXPECT_LT(stuck - free, 1800) << "free " << free << " ms, stuck " << stuck << " ms\n" << log.toStdString();
}
