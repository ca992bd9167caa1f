#include "Platform/Kernel/ProcessUsageReader.h"
#include "tests/support/FixtureTree.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const ProcessUsage* find(const std::vector<ProcessUsage>& usages, qint32 pid)
{
    const auto it = std::find_if(usages.begin(), usages.end(), [pid](const ProcessUsage& u) { return u.pid == pid; });
    return it == usages.end() ? nullptr : &*it;
}

// Descriptors this test process has open.
int openDescriptors()
{
    // Links to directories (the reader's /proc) count too.
    return int(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

// How many of this test process's descriptors are open on files of process `pid`.
int descriptorsInto(pid_t pid)
{
    const QString prefix = QStringLiteral("/proc/%1/").arg(pid);
    QDir fds(QStringLiteral("/proc/self/fd"));
    int count = 0;
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        count += QFile::symLinkTarget(fds.filePath(fd)).startsWith(prefix) ? 1 : 0;
    return count;
}

// Child processes that live until they are ended; the survivors are ended with the set.
class Children {
public:
    ~Children()
    {
        for (const pid_t pid : m_pids)
            end(pid);
    }
    pid_t start(const char* script)
    {
        const char* argv[] = {"/bin/sh", "-c", script, nullptr};
        pid_t pid = 0;
        if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            return 0;
        m_pids.push_back(pid);
        return pid;
    }
    void end(pid_t pid)
    {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        m_pids.erase(std::remove(m_pids.begin(), m_pids.end(), pid), m_pids.end());
    }

private:
    std::vector<pid_t> m_pids;
};

} // namespace

TEST(ProcessUsageReaderTest, ParsesStatIoAndUptime)
{
    const auto stat = ProcessUsageReader::parseStat(
        "57 (a) (b) c) R 1 57 57 0 -1 4194304 10 0 0 0 700 300 0 0 20 0 4 0 900 100000 500 18446744073709551615\n");
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->command, "a) (b) c");
    EXPECT_EQ(stat->cpuTicks, 1000u);
    EXPECT_EQ(stat->startTicks, 900u);
    EXPECT_EQ(stat->residentPages, 500u);

    // Empty names are the kernel's to give; a line cut short after the processor time still
    // counts, without a start time or a resident size.
    const auto unnamed = ProcessUsageReader::parseStat("9 () S 1 1 1 0 -1 0 0 0 0 0 4 5 0 0");
    ASSERT_TRUE(unnamed);
    EXPECT_TRUE(unnamed->command.empty());
    EXPECT_EQ(unnamed->cpuTicks, 9u);
    EXPECT_FALSE(unnamed->startTicks);
    EXPECT_EQ(unnamed->residentPages, 0u);
    const auto noRss = ProcessUsageReader::parseStat("9 (x) S 1 1 1 0 -1 0 0 0 0 0 4 5 0 0 20 0 1 0 77 100 -3");
    ASSERT_TRUE(noRss);
    EXPECT_EQ(noRss->startTicks, 77u);
    EXPECT_EQ(noRss->residentPages, 0u);

    for (const char* garbage : {"", "57 (x R 1 2 3", "57 x) R", "1 (x) S 1 1 1 0 -1 0 0 0 0 0 12",
             "1 (x) S 1 1 1 0 -1 0 0 0 0 0 -4 5", "1 (x) S 1 1 1 0 -1 0 0 0 0 0 99999999999999999999999 1"})
        EXPECT_FALSE(ProcessUsageReader::parseStat(garbage)) << garbage;

    EXPECT_EQ(ProcessUsageReader::parseIo("rchar: 1\nread_bytes: 4096\nwrite_bytes: 8192\ncancelled_write_bytes: 5\n"),
        (std::pair<quint64, quint64> {4096, 8192}));
    EXPECT_FALSE(ProcessUsageReader::parseIo("rchar: 1\nread_bytes: 4096\n"));

    // Exact to the tick, where a floating-point product would fall a tick short.
    EXPECT_EQ(ProcessUsageReader::parseUptimeTicks("12345.67 2345.00\n", 100), 1234567u);
    EXPECT_EQ(ProcessUsageReader::parseUptimeTicks("0.29 0.10\n", 100), 29u);
    EXPECT_EQ(ProcessUsageReader::parseUptimeTicks("7\n", 250), 1750u);
    EXPECT_FALSE(ProcessUsageReader::parseUptimeTicks("up\n", 100));
    EXPECT_FALSE(ProcessUsageReader::parseUptimeTicks("99999999999999999999 0\n", 100));
}

TEST(ProcessUsageReaderTest, NamesCutByTheKernelAreCompletedFromTheExecutable)
{
    EXPECT_EQ(ProcessUsageReader::displayName("gnome-shell-cal", "gnome-shell-calendar-server"),
        QStringLiteral("gnome-shell-calendar-server"));
    // Short names are whole already; an executable that does not continue the name is another
    // program (a script's interpreter, a renamed thread).
    EXPECT_EQ(ProcessUsageReader::displayName("bash", "bash-static"), QStringLiteral("bash"));
    EXPECT_EQ(ProcessUsageReader::displayName("Isolated Web Co", "firefox-esr"), QStringLiteral("Isolated Web Co"));
    EXPECT_EQ(ProcessUsageReader::programName(std::string_view("/usr/bin/python3\0-m\0x", 22)), "python3");
    EXPECT_EQ(ProcessUsageReader::programName("sshd: user@pts/0"), "0");
}

TEST(ProcessUsageReaderTest, ScansAFixtureTreeInIdOrder)
{
    FixtureTree proc(QStringLiteral("proc-processes"));
    // The executable link of the process with the cut name, as the kernel shows a replaced file.
    ASSERT_TRUE(QFile::link(
        QStringLiteral("/usr/libexec/gnome-shell-calendar-server (deleted)"), proc.path(QStringLiteral("4000/exe"))));
    ProcessUsageReader reader(proc.root(), 100, 4096, 64);
    std::vector<ProcessUsage> usages {ProcessUsage {}, ProcessUsage {}};
    reader.scan(usages);
    EXPECT_EQ(reader.lastScanUptimeTicks(), 1234567u);

    // 5000 has no stat and 6000 a broken one; "self", "sys" and "stat" are not processes.
    std::vector<qint32> pids;
    for (const ProcessUsage& usage : usages)
        pids.push_back(usage.pid);
    EXPECT_EQ(pids, (std::vector<qint32> {1, 2, 57, 300, 4000}));

    const ProcessUsage* init = find(usages, 1);
    ASSERT_TRUE(init);
    EXPECT_EQ(init->name, QStringLiteral("systemd"));
    EXPECT_EQ(init->cpuTicks, 200u);
    EXPECT_EQ(init->startTicks, 30u);
    EXPECT_EQ(init->residentBytes, 3000u * 4096);
    EXPECT_EQ(init->readBytes, 409600u);
    EXPECT_EQ(init->writeBytes, 8192u);

    EXPECT_EQ(find(usages, 57)->name, QStringLiteral("tricky) (name"));
    EXPECT_EQ(find(usages, 57)->cpuTicks, 1000u);
    // Another user's process: no io file, but processor time and memory are there.
    const ProcessUsage* sshd = find(usages, 300);
    EXPECT_EQ(sshd->cpuTicks, 20u);
    EXPECT_EQ(sshd->residentBytes, 200u * 4096);
    EXPECT_EQ(sshd->readBytes, 0u);
    EXPECT_EQ(sshd->writeBytes, 0u);
    EXPECT_EQ(find(usages, 4000)->name, QStringLiteral("gnome-shell-calendar-server"));

    // Without the storage counters the io files are neither read nor held.
    reader.scan(usages, false);
    EXPECT_EQ(find(usages, 1)->readBytes, 0u);
    EXPECT_EQ(reader.keptDescriptors(), 5u);

    // A process that ends drops out and its descriptor is closed; a root that is gone gives
    // nothing.
    for (const char* file : {"57/stat", "57/io"})
        proc.remove(QString::fromLatin1(file));
    QDir().rmdir(proc.path(QStringLiteral("57")));
    reader.scan(usages, false);
    EXPECT_FALSE(find(usages, 57));
    EXPECT_EQ(reader.keptDescriptors(), 4u);
    ProcessUsageReader missing(QStringLiteral("/nonexistent"));
    missing.scan(usages);
    EXPECT_TRUE(usages.empty());
}

TEST(ProcessUsageReaderTest, KeepsDescriptorsAcrossScansAndTellsAReusedIdApart)
{
    FixtureTree proc(QStringLiteral("proc-processes"));
    const int before = openDescriptors();
    {
        ProcessUsageReader reader(proc.root(), 100, 4096, 64);
        std::vector<ProcessUsage> usages;
        reader.scan(usages);
        // stat of five processes, io of the three that have one, /proc and uptime.
        EXPECT_EQ(reader.keptDescriptors(), 8u);
        EXPECT_EQ(openDescriptors(), before + 8 + 2);

        // Files rewritten in place are read again through the same descriptors.
        proc.write(QStringLiteral("1/stat"),
            "1 (systemd) S 0 1 1 0 -1 4194560 50000 900000 100 300 500 100 500 200 20 0 1 0 30 170000000 3100\n");
        proc.write(QStringLiteral("1/io"), "read_bytes: 500000\nwrite_bytes: 9000\n");
        reader.scan(usages);
        EXPECT_EQ(find(usages, 1)->cpuTicks, 600u);
        EXPECT_EQ(find(usages, 1)->residentBytes, 3100u * 4096);
        EXPECT_EQ(find(usages, 1)->readBytes, 500000u);
        EXPECT_EQ(openDescriptors(), before + 8 + 2);

        // The old process 57 ends (its file answers nothing, as the kernel's does) and a new one
        // gets the id before the next scan: it is read afresh, name and all.
        proc.write(QStringLiteral("57/stat"), QByteArray());
        proc.remove(QStringLiteral("57/stat"));
        proc.write(QStringLiteral("57/stat"), "57 (cc1plus) R 1 57 57 0 -1 0 0 0 0 0 3 1 0 0 20 0 1 0 1234000 0 900\n");
        reader.scan(usages);
        const ProcessUsage* reused = find(usages, 57);
        ASSERT_TRUE(reused);
        EXPECT_EQ(reused->name, QStringLiteral("cc1plus"));
        EXPECT_EQ(reused->cpuTicks, 4u);
        EXPECT_EQ(reused->startTicks, 1234000u);
        EXPECT_EQ(reader.keptDescriptors(), 8u);
    }
    // Every descriptor goes with the reader.
    EXPECT_EQ(openDescriptors(), before);
}

TEST(ProcessUsageReaderTest, ListsProcessesAgainOnlyWhenATaskMayHaveStarted)
{
    EXPECT_EQ(
        ProcessUsageReader::parseTaskStamp("0.12 0.30 0.25 2/431 8810\n"), (ProcessUsageReader::TaskStamp {431, 8810}));
    EXPECT_FALSE(ProcessUsageReader::parseTaskStamp("0.12 0.30 0.25 2/431\n"));
    EXPECT_FALSE(ProcessUsageReader::parseTaskStamp("0.12 0.30 0.25 431 8810\n"));
    EXPECT_FALSE(ProcessUsageReader::parseTaskStamp("garbage"));
    EXPECT_FALSE(ProcessUsageReader::parseTaskStamp(""));

    FixtureTree proc(QStringLiteral("proc-processes"));
    proc.write(QStringLiteral("loadavg"), "0.00 0.01 0.05 1/7 6000\n");
    {
        // Without "self" naming this process the tree may be another namespace's: listed every time.
        ProcessUsageReader stranger(proc.root(), 100, 4096, 64);
        std::vector<ProcessUsage> usages;
        stranger.scan(usages);
        stranger.scan(usages);
        EXPECT_EQ(stranger.listings(), 2u);
    }
    ASSERT_TRUE(QFile::link(QString::number(::getpid()), proc.path(QStringLiteral("self"))));
    ProcessUsageReader reader(proc.root(), 100, 4096, 64);
    std::vector<ProcessUsage> usages;
    reader.scan(usages);
    const size_t listed = usages.size();
    EXPECT_EQ(reader.listings(), 1u);

    // No id handed out since: a process that appears is not looked for, one that ended drops out.
    proc.write(QStringLiteral("7000/stat"), "7000 (late) S 1 7000 7000 0 -1 0 0 0 0 0 3 1 0 0 20 0 1 0 99 0 10\n");
    proc.write(QStringLiteral("57/stat"), QByteArray());
    reader.scan(usages);
    EXPECT_EQ(reader.listings(), 1u);
    EXPECT_FALSE(find(usages, 7000));
    EXPECT_FALSE(find(usages, 57));
    EXPECT_EQ(usages.size(), listed - 1);

    // A new id (or a new task count) means a task started: /proc is listed again.
    proc.write(QStringLiteral("loadavg"), "0.00 0.01 0.05 1/8 7000\n");
    reader.scan(usages);
    EXPECT_EQ(reader.listings(), 2u);
    ASSERT_TRUE(find(usages, 7000));
    EXPECT_EQ(find(usages, 7000)->name, QStringLiteral("late"));
    // Without a readable stamp every scan lists.
    proc.write(QStringLiteral("loadavg"), "nonsense\n");
    reader.scan(usages);
    reader.scan(usages);
    EXPECT_EQ(reader.listings(), 4u);
}

TEST(ProcessUsageReaderTest, KernelWorkersKeepTheirWholeNameAsTheirWorkChanges)
{
    FixtureTree proc(QStringLiteral("proc-processes"));
    // A kernel worker's name is longer than any program's and ends in the work it does now.
    proc.write(
        QStringLiteral("77/stat"), "77 (kworker/u8:1-events_unbound) I 2 0 0 0 -1 0 0 0 0 0 3 1 0 0 20 0 1 0 90 0 0\n");
    ProcessUsageReader reader(proc.root(), 100, 4096, 64);
    std::vector<ProcessUsage> usages;
    reader.scan(usages, false);
    ASSERT_TRUE(find(usages, 77));
    EXPECT_EQ(find(usages, 77)->name, QStringLiteral("kworker/u8:1-events_unbound"));
    proc.write(QStringLiteral("77/stat"),
        "77 (kworker/u8:1-events_freezable) I 2 0 0 0 -1 0 0 0 0 0 4 1 0 0 20 0 1 0 90 0 0\n");
    reader.scan(usages, false);
    EXPECT_EQ(find(usages, 77)->name, QStringLiteral("kworker/u8:1-events_freezable"));
}

TEST(ProcessUsageReaderTest, ReadsBeyondTheBudgetByOpeningAndClosing)
{
    FixtureTree proc(QStringLiteral("proc-processes"));
    const int before = openDescriptors();
    ProcessUsageReader kept(proc.root(), 100, 4096, 64);
    ProcessUsageReader tight(proc.root(), 100, 4096, 2);
    std::vector<ProcessUsage> all, budgeted;
    kept.scan(all);
    for (int round = 0; round < 2; ++round) {
        tight.scan(budgeted);
        ASSERT_EQ(budgeted.size(), all.size());
        for (size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(budgeted[i].pid, all[i].pid);
            EXPECT_EQ(budgeted[i].name, all[i].name);
            EXPECT_EQ(budgeted[i].cpuTicks, all[i].cpuTicks);
            EXPECT_EQ(budgeted[i].residentBytes, all[i].residentBytes);
            EXPECT_EQ(budgeted[i].readBytes, all[i].readBytes);
        }
        EXPECT_EQ(tight.keptDescriptors(), 2u);
    }
    EXPECT_EQ(openDescriptors(), before + 8 + 2 + 2 + 2);

    // A quarter of the limit, at least 256, stays free for the rest of the program.
    EXPECT_EQ(ProcessUsageReader::budgetForLimit(1024), 768u);
    EXPECT_EQ(ProcessUsageReader::budgetForLimit(256), 0u);
    EXPECT_EQ(ProcessUsageReader::budgetForLimit(4000), 3000u);
    EXPECT_EQ(ProcessUsageReader::budgetForLimit(1u << 20), ProcessUsageReader::maximumKeptDescriptors);
    EXPECT_EQ(ProcessUsageReader::budgetForLimit(~quint64(0)), ProcessUsageReader::maximumKeptDescriptors);
}

TEST(ProcessUsageReaderTest, FollowsLiveProcessesThroughKeptDescriptors)
{
    ProcessUsageReader reader;
    std::vector<ProcessUsage> usages;
    reader.scan(usages);
    ASSERT_GT(usages.size(), 1u);
    EXPECT_TRUE(std::is_sorted(
        usages.begin(), usages.end(), [](const ProcessUsage& a, const ProcessUsage& b) { return a.pid < b.pid; }));
    const ProcessUsage* self = find(usages, qint32(::getpid()));
    ASSERT_TRUE(self);
    EXPECT_EQ(self->name, QStringLiteral("vantor_tests"));
    EXPECT_GT(self->residentBytes, 1u << 20);
    ASSERT_TRUE(self->startTicks);
    ASSERT_TRUE(reader.lastScanUptimeTicks());
    EXPECT_LE(*self->startTicks, *reader.lastScanUptimeTicks());

    Children children;
    const pid_t busy = children.start("while :; do :; done");
    const pid_t idle = children.start("exec sleep 60");
    ASSERT_GT(busy, 0);
    ASSERT_GT(idle, 0);
    reader.scan(usages);
    ASSERT_TRUE(find(usages, busy));
    ASSERT_TRUE(find(usages, idle));
    // Started after the reader's first scan began.
    EXPECT_GE(*find(usages, busy)->startTicks, *self->startTicks);

    // The busy child's time grows as read again through the descriptor kept for it.
    const quint64 first = find(usages, busy)->cpuTicks;
    quint64 later = first;
    for (int attempt = 0; attempt < 60 && later <= first; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        reader.scan(usages);
        ASSERT_TRUE(find(usages, busy));
        later = find(usages, busy)->cpuTicks;
    }
    EXPECT_GT(later, first);
    EXPECT_EQ(descriptorsInto(busy), 2);

    // An ended child is gone from the next scan, and so are its descriptors.
    children.end(busy);
    reader.scan(usages);
    EXPECT_FALSE(find(usages, busy));
    EXPECT_TRUE(find(usages, idle));
    EXPECT_EQ(descriptorsInto(busy), 0);
    EXPECT_EQ(descriptorsInto(idle), 2);

    // With a budget of three, every live process is still read, by opening and closing.
    const int before = openDescriptors();
    ProcessUsageReader tight(QStringLiteral("/proc"), 0, 0, 3);
    tight.scan(usages);
    EXPECT_EQ(tight.keptDescriptors(), 3u);
    EXPECT_TRUE(find(usages, idle));
    EXPECT_EQ(find(usages, idle)->name, QStringLiteral("sleep"));
    // Beside the kept ones: /proc, uptime and loadavg.
    EXPECT_EQ(openDescriptors(), before + 3 + 3);
    // The lowest ids took the budget: the child's files were opened and closed again.
    EXPECT_EQ(descriptorsInto(idle), 2);
}
