#include "Platform/Files/DirectoryEntries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The sysfs and bundle lookups ask for "cpu*", "zram*", "*.lproj": both ends compared exactly,
// the kind of entry and the order still QDir's.
TEST(DirectoryEntries, ChoosesByBothEndsKindAndOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDir folder(dir.path());
    for (const char* name : {"cpu10", "cpu2", "cpu", "Cpu3", "cpufreq", "en.lproj", ".lproj", "de.lproj", "xcpu1"})
        ASSERT_TRUE(folder.mkdir(QString::fromLatin1(name)));
    QFile file(folder.filePath(QStringLiteral("cpu7")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    EXPECT_EQ(DirectoryEntries::matching(folder, u"cpu", {}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
        QStringList({QStringLiteral("cpu10"), QStringLiteral("cpu2"), QStringLiteral("cpufreq")}));
    EXPECT_EQ(
        DirectoryEntries::matching(folder, u"cpu", {}, QDir::Files, QDir::Name), QStringList {QStringLiteral("cpu7")});
    EXPECT_EQ(DirectoryEntries::matching(folder, {}, u".lproj", QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
        QStringList({QStringLiteral("de.lproj"), QStringLiteral("en.lproj")}));
    EXPECT_TRUE(
        DirectoryEntries::matching(QDir(dir.filePath(QStringLiteral("missing"))), u"cpu", {}, QDir::Dirs).isEmpty());

    EXPECT_TRUE(DirectoryEntries::matches(u"vantor:amd64.list", u"vantor:", u".list"));
    EXPECT_FALSE(DirectoryEntries::matches(u"vantor.list", u"vantor:", u".list"));
    EXPECT_FALSE(DirectoryEntries::matches(u"vantor:.list", u"vantor:", u".list"));
}
