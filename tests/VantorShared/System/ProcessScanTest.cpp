#include "VantorShared/System/ProcessScan.h"
#include "Platform/Kernel/ProcessTable.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QString kAgent = QStringLiteral("/opt/vantor/Vantor.app/Contents/Library/LoginItems/VantorAgent.app/Contents/"
                                      "MacOS/VantorAgent");

// A /proc tree: <root>/stat with the boot time and one directory per process.
class FakeProc {
public:
    FakeProc() { write(QStringLiteral("stat"), "cpu  1 2 3 4\nbtime 1700000000\nprocesses 99\n"); }

    void process(int pid, const std::optional<QString>& exe, const std::optional<QByteArray>& stat)
    {
        const QString dir = QString::number(pid);
        QDir(m_dir.path()).mkpath(dir);
        if (exe)
            QFile::link(*exe, m_dir.path() + QLatin1Char('/') + dir + QStringLiteral("/exe"));
        if (stat)
            write(dir + QStringLiteral("/stat"), *stat);
    }

    // A stat line whose start-time field (22) is `ticks`.
    static QByteArray stat(int pid, const QByteArray& name, quint64 ticks)
    {
        return QByteArray::number(pid) + " (" + name + ") S 1 1 1 0 -1 4194304 100 0 0 0 5 3 0 0 20 0 1 0 "
            + QByteArray::number(ticks) + " 1000 100 18446744073709551615\n";
    }

    QString root() const { return m_dir.path(); }

private:
    void write(const QString& relative, const QByteArray& bytes)
    {
        QFile file(m_dir.path() + QLatin1Char('/') + relative);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QTemporaryDir m_dir;
};

qint64 micros(qint64 seconds, qint64 fraction = 0)
{
    return seconds * 1000000 + fraction;
}

} // namespace

TEST(ProcessScan, FindsAgentCopiesInProcessOrder)
{
    const long hz = ::sysconf(_SC_CLK_TCK);
    FakeProc proc;
    // Started 123.45 s after boot; the name would shift the fields if read before the last ")".
    proc.process(1000, kAgent, FakeProc::stat(1000, "Vantor) (Agent 2", quint64(hz * 123 + hz * 45 / 100)));
    // Replaced on disk by an update while still running.
    proc.process(200, kAgent + QStringLiteral(" (deleted)"), FakeProc::stat(200, "VantorAgent", quint64(hz * 7)));
    proc.process(30, QStringLiteral("/usr/bin/bash"), FakeProc::stat(30, "bash", 1));
    // Same program in a differently named bundle: not ours.
    proc.process(40, QStringLiteral("/opt/VantorAgentBeta.app/Contents/MacOS/VantorAgent"), FakeProc::stat(40, "x", 1));
    // Its start time cannot be read.
    proc.process(500, kAgent, std::nullopt);
    proc.process(501, kAgent, QByteArray("501 (VantorAgent"));
    // Gone between the listing and the path lookup.
    proc.process(600, std::nullopt, FakeProc::stat(600, "gone", 1));
    QDir(proc.root()).mkpath(QStringLiteral("self"));

    const QList<ProcessScan::Entry> agents = ProcessScan::agents(proc.root());
    const QList<ProcessScan::Entry> expected {
        {200, micros(1700000007), kAgent},
        {500, std::nullopt, kAgent},
        {501, std::nullopt, kAgent},
        {1000, micros(1700000123, 450000), kAgent},
    };
    EXPECT_EQ(agents, expected);
    if (agents != expected)
        for (const auto& entry : agents)
            ADD_FAILURE() << entry.pid << " " << entry.started.value_or(-1) << " " << entry.path.toStdString();
}

TEST(ProcessScan, MissingOrBrokenProcRoot)
{
    EXPECT_TRUE(ProcessScan::agents(QStringLiteral("/nonexistent/proc")).isEmpty());

    // Without a boot time no start time can be computed, but the process is still found.
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("7"));
    QFile::link(kAgent, dir.path() + QStringLiteral("/7/exe"));
    QFile stat(dir.path() + QStringLiteral("/7/stat"));
    ASSERT_TRUE(stat.open(QIODevice::WriteOnly));
    stat.write(FakeProc::stat(7, "VantorAgent", 100));
    stat.close();
    EXPECT_EQ(ProcessScan::agents(dir.path()), (QList<ProcessScan::Entry> {{7, std::nullopt, kAgent}}));
}

TEST(ProcessScan, StatFieldsAndBootTimeParsing)
{
    EXPECT_EQ(ProcessTable::startTicks(FakeProc::stat(1, "a) (b) c", 4242)), 4242u);
    EXPECT_EQ(ProcessTable::startTicks(FakeProc::stat(1, "", 17)), 17u);
    EXPECT_FALSE(ProcessTable::startTicks("1 (x) S 1 2 3"));
    EXPECT_FALSE(ProcessTable::startTicks("no parenthesis at all"));
    EXPECT_FALSE(ProcessTable::startTicks(FakeProc::stat(1, "x", 1).replace(" 1 1000 ", " -1 1000 ")));
    EXPECT_FALSE(ProcessTable::startTicks("1 (x) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 99999999999999999999999 1"));

    EXPECT_EQ(ProcessTable::bootTimeFromStat("cpu 1\nbtime 1699999999\n"), 1699999999);
    EXPECT_EQ(ProcessTable::bootTimeFromStat("btime 5"), 5);
    EXPECT_FALSE(ProcessTable::bootTimeFromStat("cpu 1\nbtime\n"));
    EXPECT_FALSE(ProcessTable::bootTimeFromStat("xbtime 5\n"));
    EXPECT_FALSE(ProcessTable::bootTimeFromStat(""));
}

TEST(ProcessScan, FindsThisProcessOnTheRealSystem)
{
    const QString self = QCoreApplication::applicationFilePath();
    const auto entries = ProcessScan::processes([&](const QString& path) { return path == self; });
    const auto mine = std::find_if(
        entries.begin(), entries.end(), [](const ProcessScan::Entry& e) { return e.pid == qint32(::getpid()); });
    ASSERT_NE(mine, entries.end());
    ASSERT_TRUE(mine->started);
    const qint64 now = QDateTime::currentMSecsSinceEpoch() * 1000;
    EXPECT_LE(*mine->started, now + 2000000);
    EXPECT_GT(*mine->started, now - qint64(3600) * 1000000);
}
