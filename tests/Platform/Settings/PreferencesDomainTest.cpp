#include "Platform/Settings/PreferencesDomain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>

namespace {

class PreferencesDomainTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<PreferencesDomain> openDomain(const QString& name = QStringLiteral("suite"))
    {
        return PreferencesDomain::open(name, dir.path());
    }
    QByteArray fileBytes(const QString& name = QStringLiteral("suite"))
    {
        QFile file(dir.path() + QLatin1Char('/') + name + QStringLiteral(".json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

TEST_F(PreferencesDomainTest, ValuesKeepTheirTypeAcrossProcessesAndRoundTrips)
{
    auto writer = openDomain();
    writer->setBool(QStringLiteral("flag"), true);
    writer->setString(QStringLiteral("text"), QStringLiteral("true"));
    writer->setInteger(QStringLiteral("count"), 4300);
    writer->setDouble(QStringLiteral("whole"), 3.0);
    writer->setDouble(QStringLiteral("interval"), 2.5);
    writer->setStringList(QStringLiteral("languages"), {QStringLiteral("de"), QStringLiteral("fr")});

    auto reader = openDomain(); // a second object sees only the file, as another process would
    EXPECT_EQ(reader->objectForKey(QStringLiteral("flag")).typeId(), QMetaType::Bool);
    EXPECT_EQ(reader->objectForKey(QStringLiteral("text")).typeId(), QMetaType::QString);
    EXPECT_EQ(reader->objectForKey(QStringLiteral("text")).toString(), QStringLiteral("true"));
    EXPECT_EQ(reader->objectForKey(QStringLiteral("count")).typeId(), QMetaType::LongLong);
    EXPECT_EQ(reader->integerForKey(QStringLiteral("count")), 4300);
    EXPECT_EQ(reader->objectForKey(QStringLiteral("whole")).typeId(), QMetaType::Double);
    EXPECT_EQ(reader->doubleForKey(QStringLiteral("whole")), 3.0);
    EXPECT_EQ(reader->doubleForKey(QStringLiteral("interval")), 2.5);
    EXPECT_EQ(reader->stringArrayForKey(QStringLiteral("languages")), QStringList({"de", "fr"}));
    EXPECT_FALSE(reader->stringForKey(QStringLiteral("flag")).has_value());
    EXPECT_FALSE(reader->objectForKey(QStringLiteral("missing")).isValid());
}

TEST_F(PreferencesDomainTest, RefusesValuesItCannotStoreFaithfully)
{
    auto domain = openDomain();
    EXPECT_FALSE(domain->setObject(QStringLiteral("nan"), std::nan("")));
    EXPECT_FALSE(domain->setObject(QStringLiteral("inf"), HUGE_VAL));
    EXPECT_FALSE(domain->setObject(QStringLiteral("map"), QVariantMap {{"a", 1}}));
    EXPECT_TRUE(domain->persistentKeys().isEmpty());
}

TEST_F(PreferencesDomainTest, ReadsSeeWritesOfAnotherObjectWithoutReopening)
{
    auto a = openDomain();
    auto b = openDomain();
    a->setString(QStringLiteral("k"), QStringLiteral("one"));
    EXPECT_EQ(b->stringForKey(QStringLiteral("k")), QStringLiteral("one"));
    a->setString(QStringLiteral("k"), QStringLiteral("two"));
    EXPECT_EQ(b->stringForKey(QStringLiteral("k")), QStringLiteral("two"));
    a->removeObjectForKey(QStringLiteral("k"));
    EXPECT_FALSE(b->objectForKey(QStringLiteral("k")).isValid());
}

TEST_F(PreferencesDomainTest, WritesChangeOnlyTheKeysWritten)
{
    auto a = openDomain();
    auto b = openDomain();
    a->setString(QStringLiteral("fromA"), QStringLiteral("a"));
    // b has not read since a wrote; its write must not drop a's key.
    b->setString(QStringLiteral("fromB"), QStringLiteral("b"));
    auto c = openDomain();
    EXPECT_EQ(c->stringForKey(QStringLiteral("fromA")), QStringLiteral("a"));
    EXPECT_EQ(c->stringForKey(QStringLiteral("fromB")), QStringLiteral("b"));
}

TEST_F(PreferencesDomainTest, RegisteredDefaultsAreFallbacksThatAreNeverWritten)
{
    auto domain = openDomain();
    domain->registerDefaults({{QStringLiteral("agentEnabled"), true}, {QStringLiteral("refreshInterval"), 1.0}});
    EXPECT_TRUE(domain->boolForKey(QStringLiteral("agentEnabled")));
    EXPECT_EQ(domain->doubleForKey(QStringLiteral("refreshInterval")), 1.0);
    EXPECT_FALSE(domain->persistentObjectForKey(QStringLiteral("agentEnabled")).isValid());
    EXPECT_FALSE(QFile::exists(domain->filePath()));

    domain->setBool(QStringLiteral("agentEnabled"), false);
    EXPECT_FALSE(domain->boolForKey(QStringLiteral("agentEnabled")));
    domain->removeObjectForKey(QStringLiteral("agentEnabled"));
    EXPECT_TRUE(domain->boolForKey(QStringLiteral("agentEnabled")));
    EXPECT_FALSE(fileBytes().contains("refreshInterval"));
}

TEST_F(PreferencesDomainTest, FileIsPrivateAndReplacedAtomically)
{
    auto domain = openDomain();
    domain->setInteger(QStringLiteral("n"), 1);
    struct stat before { };
    ASSERT_EQ(::stat(QFile::encodeName(domain->filePath()).constData(), &before), 0);
    EXPECT_EQ(before.st_mode & 0777, 0600u);
    domain->setInteger(QStringLiteral("n"), 2);
    struct stat after { };
    ASSERT_EQ(::stat(QFile::encodeName(domain->filePath()).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "the file must be replaced by rename, not rewritten in place";
    const QStringList leftovers = QDir(dir.path()).entryList({QStringLiteral("*.tmp-*")}, QDir::Files);
    EXPECT_TRUE(leftovers.isEmpty());
}

TEST_F(PreferencesDomainTest, CorruptFileIsKeptAsideAndTheDomainKeepsWorking)
{
    for (const QByteArray& garbage :
        {QByteArray("{\"agentEnabled\": tru"), QByteArray("[1, 2, 3]"), QByteArray("\x01\x02\xff")}) {
        QTemporaryDir local;
        {
            QFile file(local.path() + QStringLiteral("/suite.json"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(garbage);
        }
        auto domain = PreferencesDomain::open(QStringLiteral("suite"), local.path());
        // Judged at once here; how a file that may still be changing is treated is tested apart.
        domain->setSettleTime(std::chrono::milliseconds(0));
        EXPECT_FALSE(domain->objectForKey(QStringLiteral("agentEnabled")).isValid());
        const QStringList aside = QDir(local.path()).entryList({QStringLiteral("suite.json.corrupt-*")}, QDir::Files);
        ASSERT_EQ(aside.size(), 1) << garbage.constData();
        QFile kept(local.path() + QLatin1Char('/') + aside.first());
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), garbage);

        domain->setBool(QStringLiteral("agentEnabled"), false);
        auto reopened = PreferencesDomain::open(QStringLiteral("suite"), local.path());
        EXPECT_EQ(reopened->objectForKey(QStringLiteral("agentEnabled")), QVariant(false));
    }
}

TEST_F(PreferencesDomainTest, HandEditedPlainValuesAreRead)
{
    QDir().mkpath(dir.path());
    QFile file(dir.path() + QStringLiteral("/suite.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"refreshInterval": 2.5, "n": 7, "nested": {"a": 1}, "mixed": [1, "x"]})");
    file.close();
    auto domain = openDomain();
    EXPECT_EQ(domain->objectForKey(QStringLiteral("refreshInterval")).typeId(), QMetaType::Double);
    EXPECT_EQ(domain->integerForKey(QStringLiteral("n")), 7);
    // Values of other shapes survive a write of another key untouched.
    domain->setBool(QStringLiteral("b"), true);
    EXPECT_TRUE(fileBytes().contains("\"nested\""));
    EXPECT_TRUE(fileBytes().contains("\"mixed\""));
}

TEST_F(PreferencesDomainTest, RefusesNamesThatAreNotOneFileName)
{
    for (const QString& bad : {QString(), QStringLiteral("a/b"), QStringLiteral(".."), QStringLiteral("x..y"),
             QStringLiteral("."), QString::fromUtf16(u"nul\0l", 5)})
        EXPECT_EQ(openDomain(bad), nullptr) << bad.toStdString();
    EXPECT_NE(openDomain(QStringLiteral("K3ZP8T2NQX.com.quillon.vantor")), nullptr);
}

TEST_F(PreferencesDomainTest, ReportsEveryChangeMadeThroughIt)
{
    auto domain = openDomain();
    QSignalSpy spy(domain.get(), &PreferencesDomain::didChange);
    domain->setString(QStringLiteral("k"), QStringLiteral("v"));
    domain->setString(QStringLiteral("k"), QStringLiteral("v")); // same value: no change
    domain->removeObjectForKey(QStringLiteral("k"));
    domain->removeObjectForKey(QStringLiteral("k")); // nothing to remove
    EXPECT_EQ(spy.count(), 2);
}

} // namespace
