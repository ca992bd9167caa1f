#include "Platform/Settings/PreferencesDomain.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Collects warnings while alive.
class WarningLog {
public:
    WarningLog()
    {
        s_lines = &lines;
        m_previous = qInstallMessageHandler(&WarningLog::handle);
    }
    ~WarningLog()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    int count(const QString& part) const
    {
        return int(std::count_if(lines.cbegin(), lines.cend(), [&](const QString& l) { return l.contains(part); }));
    }
    QStringList lines;

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& message)
    {
        if (s_lines && type >= QtWarningMsg)
            s_lines->append(message);
    }
    static inline QStringList* s_lines = nullptr;
    QtMessageHandler m_previous = nullptr;
};

class PreferencesHardening : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.path() + QStringLiteral("/suite.json"); }
    std::unique_ptr<PreferencesDomain> openDomain()
    {
        return PreferencesDomain::open(QStringLiteral("suite"), dir.path());
    }
    static void write(const QString& file, const QByteArray& bytes)
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
    }
    static QByteArray read(const QString& file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
};

TEST_F(PreferencesHardening, AFileThatCannotBeReadIsNeverWrittenOverAndReadsGiveDefaults)
{
    // Things at the settings path that exist but cannot be read as a settings file. (Permission
    // bits cannot be tested here: the suite may run as root.)
    const QString fifo = dir.path() + QStringLiteral("/fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString big = dir.path() + QStringLiteral("/big.json");
    {
        QFile out(big);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_TRUE(out.resize(64 * 1024 * 1024)); // sparse: costs no disk
    }
    struct Case {
        const char* what;
        std::function<void()> make;
    };
    const QList<Case> cases {
        {"a link to an endless device", [&] { QFile::link(QStringLiteral("/dev/zero"), path()); }},
        {"a link to a named pipe", [&] { QFile::link(fifo, path()); }},
        {"a folder", [&] { QDir().mkpath(path()); }},
        {"a link to a file that is too large", [&] { QFile::link(big, path()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        WarningLog log;
        QElapsedTimer clock;
        clock.start();
        auto domain = openDomain();
        domain->registerDefaults({{QStringLiteral("agentEnabled"), true}});
        EXPECT_TRUE(domain->boolForKey(QStringLiteral("agentEnabled")));
        EXPECT_TRUE(domain->boolForKey(QStringLiteral("agentEnabled")));
        EXPECT_EQ(log.count(QStringLiteral("cannot be read")), 1)
            << "said once: " << log.lines.join('\n').toStdString();
        EXPECT_FALSE(domain->setObject(QStringLiteral("agentEnabled"), false));
        EXPECT_TRUE(domain->boolForKey(QStringLiteral("agentEnabled")));
        EXPECT_LT(clock.elapsed(), 2000) << "nothing may block or read without end";
        const QFileInfo info(path());
        EXPECT_TRUE(info.isSymLink() || info.isDir()) << "left alone";
        QFile::remove(path());
        QDir(path()).removeRecursively();
    }
}

TEST_F(PreferencesHardening, ALinkedSettingsFileStaysALinkAndItsTargetIsWritten)
{
    QTemporaryDir dotfiles;
    const QString target = dotfiles.path() + QStringLiteral("/vantor.json");
    write(target, R"({"kept": "yes"})");
    ASSERT_TRUE(QFile::link(target, path()));
    auto domain = openDomain();
    EXPECT_EQ(domain->stringForKey(QStringLiteral("kept")), QStringLiteral("yes"));
    ASSERT_TRUE(domain->setObject(QStringLiteral("added"), 7));
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_TRUE(read(target).contains("\"added\": 7"));
    EXPECT_TRUE(read(target).contains("\"kept\""));
    // A change made at the target is seen through the link.
    auto other = PreferencesDomain::open(QStringLiteral("vantor"), dotfiles.path());
    other->setObject(QStringLiteral("kept"), QStringLiteral("changed"));
    EXPECT_EQ(domain->stringForKey(QStringLiteral("kept")), QStringLiteral("changed"));

    // A link set up before its target exists: the first write creates the target.
    QFile::remove(target);
    auto fresh = openDomain();
    EXPECT_FALSE(fresh->objectForKey(QStringLiteral("kept")).isValid());
    EXPECT_TRUE(fresh->setObject(QStringLiteral("first"), true));
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_TRUE(read(target).contains("\"first\": true"));
}

TEST_F(PreferencesHardening, EveryWriteIsSeenEvenWhenTheFileLooksTheSame)
{
    // Same-size values written faster than file times tick, each by a new file whose inode may
    // reuse the last one's number.
    auto writer = openDomain();
    auto reader = openDomain();
    int missed = 0;
    for (int round = 0; round < 400; ++round) {
        const QString value = (round % 2) ? QStringLiteral("storage,memory") : QStringLiteral("memory,storage");
        writer->setObject(QStringLiteral("order"), value);
        if (reader->stringForKey(QStringLiteral("order")) != value)
            ++missed;
    }
    EXPECT_EQ(missed, 0);

    // The same with the reader's event loop delivering the kernel's word, as in the running agent.
    missed = 0;
    for (int round = 0; round < 50; ++round) {
        const QString value = (round % 2) ? QStringLiteral("a") : QStringLiteral("b");
        write(path(), QStringLiteral(R"({"order": "%1"})").arg(value).toUtf8()); // a hand edit in place
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] {
            // A read while the loop runs trusts the kernel's events; give them a moment to arrive.
            QElapsedTimer clock;
            clock.start();
            while (reader->stringForKey(QStringLiteral("order")) != value && clock.elapsed() < 1000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (reader->stringForKey(QStringLiteral("order")) != value)
                ++missed;
            loop.quit();
        });
        loop.exec();
    }
    EXPECT_EQ(missed, 0);
}

TEST_F(PreferencesHardening, ASteadyReaderDoesNotLookAtTheFileAgainUntilToldOrChanged)
{
    auto writer = openDomain();
    writer->setObject(QStringLiteral("k"), QStringLiteral("one"));
    auto reader = openDomain();
    const quint64 before = reader->generation();
    for (int i = 0; i < 100; ++i)
        reader->boolForKey(QStringLiteral("k"));
    EXPECT_EQ(reader->generation(), before) << "no new reading of the file without a change";
    reader->invalidate();
    EXPECT_GT(reader->generation(), before);
}

TEST_F(PreferencesHardening, AHeldLockFailsTheWriteInBoundedTimeAndNeverBlocksReads)
{
    auto domain = openDomain();
    ASSERT_TRUE(domain->setObject(QStringLiteral("k"), 1));
    // A lock held elsewhere, as by a stopped process (a separate open file holds its own lock).
    const int fd = ::open(QFile::encodeName(path() + QStringLiteral(".lock")).constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    WarningLog log;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(domain->setObject(QStringLiteral("k"), 2));
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(log.count(QStringLiteral("held the lock")), 1);
    write(path(), R"({"k": 3, "broken")"); // corrupt: a read must still not wait for the lock
    auto reader = openDomain();
    clock.restart();
    EXPECT_EQ(reader->integerForKey(QStringLiteral("k")), 0);
    EXPECT_LT(clock.elapsed(), 200);
    ::close(fd);
    domain->setSettleTime(std::chrono::milliseconds(0)); // the broken file counts as settled at once
    EXPECT_TRUE(domain->setObject(QStringLiteral("k"), 4));
    EXPECT_EQ(reader->integerForKey(QStringLiteral("k")), 4);
}

TEST_F(PreferencesHardening, LeftoversOfKilledWritersAreCleanedAndErrorsNameTheirCause)
{
    auto domain = openDomain();
    write(path() + QStringLiteral(".tmp-99999-dead"), "{\"half\":");
    ASSERT_TRUE(domain->setObject(QStringLiteral("k"), 1));
    EXPECT_FALSE(QFile::exists(path() + QStringLiteral(".tmp-99999-dead")));

    // A file size limit makes the write itself fail; the log must name that, not a later call's error.
    WarningLog log;
    struct rlimit old { };
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = domain->setObject(QStringLiteral("big"), QString(4096, QLatin1Char('x')));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(log.count(QString::fromLocal8Bit(::strerror(EFBIG))), 1) << log.lines.join('\n').toStdString();
    EXPECT_EQ(domain->integerForKey(QStringLiteral("k")), 1);
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("*.tmp-*")}, QDir::Files).isEmpty());
}

TEST_F(PreferencesHardening, HugeValuesOfTheWrongTypeAreNotConvertedByTypedReads)
{
    QByteArray numbers = "[";
    for (int i = 0; i < 100000; ++i)
        numbers += "1,";
    numbers.chop(1);
    numbers += "]";
    write(path(), "{\"showCPUItem\": " + numbers + ", \"menuBarOrder\": " + numbers + ", \"names\": [\"a\", \"b\"]}");
    auto domain = openDomain();
    domain->registerDefaults({{QStringLiteral("showCPUItem"), true}});
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 1000; ++i) {
        EXPECT_TRUE(domain->boolForKey(QStringLiteral("showCPUItem")))
            << "a value of another type reads as the default";
        EXPECT_FALSE(domain->stringForKey(QStringLiteral("menuBarOrder")).has_value());
    }
    // A thousand conversions of 100 000 items would take seconds.
    EXPECT_LT(clock.elapsed(), 500);
    EXPECT_EQ(domain->objectForKey(QStringLiteral("menuBarOrder")).toList().size(), 100000);
    EXPECT_EQ(domain->stringArrayForKey(QStringLiteral("names")), QStringList({"a", "b"}));
}

TEST_F(PreferencesHardening, NamesMustFitAFileNameWithEverythingKeptBesideIt)
{
    EXPECT_NE(PreferencesDomain::open(QStringLiteral("it's.mine"), dir.path()), nullptr);
    EXPECT_NE(PreferencesDomain::open(QString(200, QLatin1Char('a')), dir.path()), nullptr);
    EXPECT_EQ(PreferencesDomain::open(QString(251, QLatin1Char('a')), dir.path()), nullptr);
    EXPECT_EQ(PreferencesDomain::open(QString(70, QChar(0x65e5)), dir.path()), nullptr) << "210 bytes in UTF-8";
    EXPECT_EQ(PreferencesDomain::open(QStringLiteral("line\nbreak"), dir.path()), nullptr);
    auto longest = PreferencesDomain::open(QString(200, QLatin1Char('a')), dir.path());
    EXPECT_TRUE(longest->setObject(QStringLiteral("k"), 1));
}

} // namespace
