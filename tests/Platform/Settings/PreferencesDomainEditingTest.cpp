// A settings file under hands other than ours: editors that rewrite it in place, values of the
// wrong type, links and permissive umasks, a lock someone never lets go of.
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Settings/PreferencesFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

class PreferencesEditing : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.path() + QStringLiteral("/suite.json"); }
    std::unique_ptr<PreferencesDomain> openDomain()
    {
        return PreferencesDomain::open(QStringLiteral("suite"), dir.path());
    }
    static QByteArray read(const QString& file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    QStringList asideCopies() const
    {
        return QDir(dir.path()).entryList({QStringLiteral("suite.json.corrupt-*")}, QDir::Files);
    }
    static quint64 inode(const QString& file)
    {
        struct stat st { };
        return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? quint64(st.st_ino) : 0;
    }
    static mode_t mode(const QString& file)
    {
        struct stat st { };
        return ::lstat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }
};

// An editor that saves by truncating the file and writing it again in place, in pieces.
class InPlaceEditor {
public:
    explicit InPlaceEditor(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC))
    {
    }
    ~InPlaceEditor() { close(); }
    bool isOpen() const { return m_fd >= 0; }
    void write(const QByteArray& piece)
    {
        ASSERT_EQ(::write(m_fd, piece.constData(), size_t(piece.size())), piece.size());
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

} // namespace

TEST_F(PreferencesEditing, AFileCaughtHalfWrittenStaysInPlaceAndReadersKeepTheLastGoodValues)
{
    auto domain = openDomain();
    ASSERT_TRUE(domain->setObject(QStringLiteral("style"), QStringLiteral("bars")));
    domain->setSettleTime(300ms);
    const quint64 before = inode(path());

    InPlaceEditor editor(path());
    ASSERT_TRUE(editor.isOpen());
    const QByteArray whole = R"({"style": "wave", "order": "cpu,memory"})";
    editor.write(whole.left(12));
    EXPECT_EQ(domain->stringForKey(QStringLiteral("style")), QStringLiteral("bars")) << "the last good value";
    EXPECT_FALSE(domain->setObject(QStringLiteral("other"), 1)) << "a write would cut the editor's save off";
    // Long past the settle time, but the editor still has it open: still left alone.
    QTest::qWait(450);
    EXPECT_EQ(domain->stringForKey(QStringLiteral("style")), QStringLiteral("bars"));
    EXPECT_TRUE(asideCopies().isEmpty());
    EXPECT_EQ(read(path()), whole.left(12));
    editor.write(whole.mid(12));
    editor.close();

    EXPECT_EQ(domain->stringForKey(QStringLiteral("style")), QStringLiteral("wave"));
    EXPECT_EQ(domain->stringForKey(QStringLiteral("order")), QStringLiteral("cpu,memory"));
    EXPECT_TRUE(asideCopies().isEmpty());
    EXPECT_EQ(inode(path()), before) << "never renamed away from under the editor";
    EXPECT_EQ(read(path()), whole);
}

TEST_F(PreferencesEditing, AFileThatStaysBrokenIsCopiedAsideOnceAndThenReplaced)
{
    auto domain = openDomain();
    ASSERT_TRUE(domain->setObject(QStringLiteral("style"), QStringLiteral("bars")));
    domain->setSettleTime(300ms);
    const QByteArray broken = R"({"style": "wave", "order": )";
    {
        InPlaceEditor editor(path());
        editor.write(broken);
    }
    const quint64 brokenInode = inode(path());
    EXPECT_EQ(domain->stringForKey(QStringLiteral("style")), QStringLiteral("bars"));
    EXPECT_TRUE(asideCopies().isEmpty());

    // Unchanged and closed for the settle time: judged corrupt, kept by copying, left in place.
    QTest::qWait(400);
    EXPECT_EQ(domain->stringForKey(QStringLiteral("style")), QStringLiteral("bars"));
    QStringList copies = asideCopies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(read(dir.path() + QLatin1Char('/') + copies.first()), broken);
    EXPECT_EQ(mode(dir.path() + QLatin1Char('/') + copies.first()), 0600u);
    EXPECT_EQ(inode(path()), brokenInode);
    EXPECT_EQ(read(path()), broken);
    // Looking again does not copy again.
    domain->invalidate();
    domain->stringForKey(QStringLiteral("style"));
    EXPECT_EQ(asideCopies().size(), 1);

    // The next write starts from the last good values.
    ASSERT_TRUE(domain->setObject(QStringLiteral("other"), 1));
    auto reopened = openDomain();
    EXPECT_EQ(reopened->stringForKey(QStringLiteral("style")), QStringLiteral("bars"));
    EXPECT_EQ(reopened->integerForKey(QStringLiteral("other")), 1);
    EXPECT_EQ(asideCopies().size(), 1);

    // A broken file that has sat there since before we started is judged by its own age.
    {
        QFile out(path());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write("{oops");
    }
    QTest::qWait(350);
    auto late = openDomain();
    late->setSettleTime(300ms);
    EXPECT_TRUE(late->setObject(QStringLiteral("fresh"), true));
    EXPECT_EQ(asideCopies().size(), 2);
}

TEST_F(PreferencesEditing, AValueOfTheWrongTypeReadsAsTheRegisteredDefault)
{
    {
        QFile out(path());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(R"({"on": "on", "null": null, "list": [true], "object": {"a": true}, "no": "no", "zero": 0,
                     "interval": "soon", "readout": 7, "names": "a,b", "big": 1e300})");
    }
    auto domain = openDomain();
    const QStringList odd {
        QStringLiteral("on"), QStringLiteral("null"), QStringLiteral("list"), QStringLiteral("object")};
    QVariantMap defaults;
    for (const QString& key : odd)
        defaults.insert(key, true);
    defaults.insert(QStringLiteral("no"), true);
    defaults.insert(QStringLiteral("zero"), true);
    defaults.insert(QStringLiteral("interval"), 1.0);
    defaults.insert(QStringLiteral("readout"), QStringLiteral("temperature"));
    defaults.insert(QStringLiteral("names"), QStringList {QStringLiteral("x")});
    defaults.insert(QStringLiteral("big"), 5);
    domain->registerDefaults(defaults);
    for (const QString& key : odd)
        EXPECT_TRUE(domain->boolForKey(key)) << key.toStdString();
    // Values that plainly say what they mean are still read as such.
    EXPECT_FALSE(domain->boolForKey(QStringLiteral("no")));
    EXPECT_FALSE(domain->boolForKey(QStringLiteral("zero")));
    EXPECT_EQ(domain->doubleForKey(QStringLiteral("interval")), 1.0);
    EXPECT_EQ(domain->stringForKey(QStringLiteral("readout")), QStringLiteral("temperature"));
    EXPECT_EQ(domain->stringArrayForKey(QStringLiteral("names")), QStringList {QStringLiteral("x")});
    EXPECT_EQ(domain->integerForKey(QStringLiteral("big")), 5);
    // Without a default: the type's empty value; and the value itself is kept untouched.
    EXPECT_FALSE(domain->boolForKey(QStringLiteral("unregistered")));
    EXPECT_EQ(domain->objectForKey(QStringLiteral("on")), QVariant(QStringLiteral("on")));
}

TEST_F(PreferencesEditing, NoWriteMakesAFileTheReaderWouldRefuse)
{
    // A compact file well under the limit whose indented form is far over it.
    constexpr int items = 1600000;
    QByteArray compact = R"({"list":[)";
    compact.reserve(items * 4 + 16);
    for (int i = 0; i < items; ++i)
        compact += "\"a\",";
    compact.chop(1);
    compact += "]}";
    {
        QFile out(path());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(compact);
    }
    auto domain = openDomain();
    ASSERT_TRUE(domain->setObject(QStringLiteral("k"), 1));
    EXPECT_LE(QFileInfo(path()).size(), PreferencesFile::sizeLimit);
    auto reopened = openDomain();
    EXPECT_EQ(reopened->integerForKey(QStringLiteral("k")), 1);
    EXPECT_EQ(reopened->objectForKey(QStringLiteral("list")).toList().size(), items);

    // Too large even compact: refused, and the file stays readable as it was.
    const QByteArray previous = read(path());
    EXPECT_FALSE(domain->setObject(QStringLiteral("huge"), QString(int(PreferencesFile::sizeLimit), QLatin1Char('x'))));
    EXPECT_EQ(read(path()), previous);
}

TEST_F(PreferencesEditing, TheLockLivesInOurOwnFolderAndNeverThroughALink)
{
    QTemporaryDir elsewhere;
    const QString target = elsewhere.path() + QStringLiteral("/vantor.json");
    ASSERT_TRUE(QFile::link(target, path()));
    auto domain = openDomain();
    ASSERT_TRUE(domain->setObject(QStringLiteral("k"), 1));
    EXPECT_TRUE(QFile::exists(path() + QStringLiteral(".lock")));
    EXPECT_FALSE(QFile::exists(target + QStringLiteral(".lock"))) << "nothing is created beside a link's target";
    EXPECT_TRUE(read(target).contains("\"k\": 1"));

    // A link planted at the lock's place is never followed: the write fails, and nothing appears
    // where the link points.
    ASSERT_TRUE(QFile::remove(path() + QStringLiteral(".lock")));
    const QString planted = elsewhere.path() + QStringLiteral("/planted");
    ASSERT_TRUE(QFile::link(planted, path() + QStringLiteral(".lock")));
    EXPECT_FALSE(domain->setObject(QStringLiteral("k"), 2));
    EXPECT_FALSE(QFile::exists(planted));
}

TEST_F(PreferencesEditing, FoldersAndFilesAreOursAloneWhateverTheUmask)
{
    const QString config = dir.path() + QStringLiteral("/home/.config");
    const QString folder = config + QStringLiteral("/vantor");
    const mode_t previous = ::umask(0);
    auto domain = PreferencesDomain::open(QStringLiteral("suite"), folder);
    const bool written = domain->setObject(QStringLiteral("k"), 1);
    ::umask(previous);
    ASSERT_TRUE(written);
    EXPECT_EQ(mode(config), 0700u);
    EXPECT_EQ(mode(folder), 0700u);
    EXPECT_EQ(mode(folder + QStringLiteral("/suite.json")), 0600u);
    EXPECT_EQ(mode(folder + QStringLiteral("/suite.json.lock")), 0600u);
}

TEST_F(PreferencesEditing, AStoppedLockHolderIsWaitedForOnceNotPerWrite)
{
    auto domain = openDomain();
    ASSERT_TRUE(domain->setObject(QStringLiteral("k"), 0));
    const int fd = ::open(QFile::encodeName(path() + QStringLiteral(".lock")).constData(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= 4; ++i)
        EXPECT_FALSE(domain->setObject(QStringLiteral("k"), i));
    EXPECT_LT(clock.elapsed(), 1600) << "one wait of a second, not four";
    // Restating what is stored needs no lock at all.
    clock.restart();
    EXPECT_TRUE(domain->setObject(QStringLiteral("k"), 0));
    EXPECT_LT(clock.elapsed(), 100);
    ::close(fd);
    EXPECT_TRUE(domain->setObject(QStringLiteral("k"), 5));
    EXPECT_EQ(openDomain()->integerForKey(QStringLiteral("k")), 5);
}

TEST_F(PreferencesEditing, AChangeOnDiskIsAnnouncedButOurOwnWritesAreNot)
{
    auto domain = openDomain();
    ASSERT_TRUE(domain->setObject(QStringLiteral("k"), 1));
    QSignalSpy outside(domain.get(), &PreferencesDomain::changedOnDisk);
    ASSERT_TRUE(domain->setObject(QStringLiteral("k"), 2));
    QTest::qWait(100);
    EXPECT_EQ(outside.count(), 0);

    auto other = openDomain();
    ASSERT_TRUE(other->setObject(QStringLiteral("k"), 3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return outside.count() > 0; }, 2000));
    EXPECT_EQ(domain->integerForKey(QStringLiteral("k")), 3);

    // A half-written save is no change; the finished one is.
    outside.clear();
    domain->setSettleTime(5000ms);
    {
        InPlaceEditor editor(path());
        editor.write(R"({"k": )");
        QTest::qWait(150);
        EXPECT_EQ(outside.count(), 0);
        editor.write("4}");
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return outside.count() > 0; }, 2000));
    EXPECT_EQ(domain->integerForKey(QStringLiteral("k")), 4);
}
