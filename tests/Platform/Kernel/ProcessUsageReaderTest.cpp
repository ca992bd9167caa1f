#include "Platform/Kernel/ProcessUsageReader.h"
#include "tests/support/FixtureTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>

#include <unistd.h>

namespace {

const ProcessUsage* find(const std::vector<ProcessUsage>& usages, qint32 pid)
{
    const auto it = std::find_if(usages.begin(), usages.end(), [pid](const ProcessUsage& u) { return u.pid == pid; });
    return it == usages.end() ? nullptr : &*it;
}

} // namespace

TEST(ProcessUsageReaderTest, ParsesTheStatLineAfterTheLastParenthesis)
{
    const auto stat = ProcessUsageReader::parseStat(
        "57 (a) (b) c) R 1 57 57 0 -1 4194304 10 0 0 0 700 300 0 0 20 0 4 0 900 100000 500\n");
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->command, "a) (b) c");
    EXPECT_EQ(stat->cpuTicks, 1000u);

    // Empty names are the kernel's to give; the figures still count.
    const auto unnamed = ProcessUsageReader::parseStat("9 () S 1 1 1 0 -1 0 0 0 0 0 4 5 0 0");
    ASSERT_TRUE(unnamed);
    EXPECT_TRUE(unnamed->command.empty());
    EXPECT_EQ(unnamed->cpuTicks, 9u);

    for (const char* garbage : {"", "57 (x R 1 2 3", "57 x) R", "1 (x) S 1 1 1 0 -1 0 0 0 0 0 12",
             "1 (x) S 1 1 1 0 -1 0 0 0 0 0 -4 5", "1 (x) S 1 1 1 0 -1 0 0 0 0 0 99999999999999999999999 1"})
        EXPECT_FALSE(ProcessUsageReader::parseStat(garbage)) << garbage;

    EXPECT_EQ(ProcessUsageReader::parseStatmResident("42000 3000 2000 10 0 5000 0\n"), 3000u);
    EXPECT_FALSE(ProcessUsageReader::parseStatmResident("42000\n"));
    EXPECT_EQ(ProcessUsageReader::parseIo("rchar: 1\nread_bytes: 4096\nwrite_bytes: 8192\ncancelled_write_bytes: 5\n"),
        (std::pair<quint64, quint64> {4096, 8192}));
    EXPECT_FALSE(ProcessUsageReader::parseIo("rchar: 1\nread_bytes: 4096\n"));
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
    ProcessUsageReader reader(proc.root(), 100, 4096);
    std::vector<ProcessUsage> usages {ProcessUsage {}, ProcessUsage {}};
    reader.scan(usages);

    // 5000 has no stat and 6000 a broken one; "self", "sys" and "stat" are not processes.
    std::vector<qint32> pids;
    for (const ProcessUsage& usage : usages)
        pids.push_back(usage.pid);
    EXPECT_EQ(pids, (std::vector<qint32> {1, 2, 57, 300, 4000}));

    const ProcessUsage* init = find(usages, 1);
    ASSERT_TRUE(init);
    EXPECT_EQ(init->name, QStringLiteral("systemd"));
    EXPECT_EQ(init->cpuTicks, 200u);
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

    // Without the link the command line still tells the program.
    proc.remove(QStringLiteral("4000/exe"));
    reader.scan(usages);
    EXPECT_EQ(find(usages, 4000)->name, QStringLiteral("gnome-shell-calendar-server"));

    // A process that ends between scans drops out, also when it ends halfway through being
    // read; a root that is gone gives nothing.
    proc.remove(QStringLiteral("57/stat"));
    proc.remove(QStringLiteral("300/statm"));
    reader.scan(usages);
    EXPECT_FALSE(find(usages, 57));
    EXPECT_FALSE(find(usages, 300));
    ProcessUsageReader missing(QStringLiteral("/nonexistent"));
    missing.scan(usages);
    EXPECT_TRUE(usages.empty());
}

TEST(ProcessUsageReaderTest, SeesThisProcessInTheLiveTable)
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
}
