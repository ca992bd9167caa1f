#include "Platform/Updates/Appcast.h"
#include "Platform/Updates/VersionComparison.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(VANTOR_TEST_DATA "/updates/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(Appcast, TheNewestUsableReleaseIsChosenOverNewerUnusableOnes)
{
    const auto items = Appcast::parse(fixture("several-items.xml"));
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 6);

    // Unsigned, length-less and ftp releases are newer but cannot be installed.
    EXPECT_FALSE(Appcast::isValid(items->at(1)));
    EXPECT_FALSE(Appcast::isValid(items->at(3)));
    EXPECT_FALSE(Appcast::isValid(items->at(4)));

    const auto newest = Appcast::newestValidItem(*items);
    ASSERT_TRUE(newest);
    EXPECT_EQ(newest->versionString, QStringLiteral("30"));
    EXPECT_EQ(newest->displayVersionString, QStringLiteral("1.5"));
    EXPECT_EQ(newest->title, QStringLiteral("Vantor 1.5"));
    EXPECT_EQ(newest->releaseNotesURL, QUrl(QStringLiteral("https://updates.example.org/1.5.html")));
    // The first enclosure is the archive.
    EXPECT_EQ(newest->fileURL, QUrl(QStringLiteral("https://updates.example.org/Vantor-1.5.tar.gz")));
    EXPECT_EQ(newest->contentLength, 2048);

    // Versions may sit on the enclosure instead.
    EXPECT_EQ(items->at(5).versionString, QStringLiteral("28"));
    EXPECT_EQ(items->at(5).displayVersionString, QStringLiteral("1.4.1"));
    EXPECT_TRUE(Appcast::isValid(items->at(5)));
}

TEST(Appcast, BrokenOrHostileFeedsAreRefused)
{
    QString error;
    EXPECT_FALSE(Appcast::parse(fixture("malformed.xml"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(Appcast::parse(fixture("not-rss.xml")));
    EXPECT_FALSE(Appcast::parse(QByteArray()));
    EXPECT_FALSE(Appcast::parse("<rss><channel><item>"));
    // An undeclared prefix is an error, not an element of ours.
    EXPECT_FALSE(Appcast::parse("<rss><channel><item><update:version>3</update:version></item></channel></rss>"));

    // Nested entities must not expand into gigabytes.
    QElapsedTimer timer;
    timer.start();
    const auto bomb = Appcast::parse(fixture("entity-bomb.xml"));
    EXPECT_LT(timer.elapsed(), 2000);
    if (bomb) {
        ASSERT_EQ(bomb->size(), 1);
        EXPECT_LT(bomb->first().title.size(), 1 << 20);
    }

    // A feed without releases is a feed, and offers nothing.
    const auto empty = Appcast::parse("<rss version=\"2.0\"><channel><title>x</title></channel></rss>");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());
    EXPECT_FALSE(Appcast::newestValidItem(*empty));
}

TEST(Appcast, SignaturesMustHaveTheRightShape)
{
    AppcastItem item;
    item.versionString = QStringLiteral("2");
    item.fileURL = QUrl(QStringLiteral("https://example.org/a.tar.gz"));
    item.contentLength = 10;
    item.edSignature = QByteArray(64, 'x').toBase64();
    EXPECT_TRUE(Appcast::isValid(item));
    item.edSignature = QByteArray(63, 'x').toBase64();
    EXPECT_FALSE(Appcast::isValid(item));
    item.edSignature = "not base64 at all!";
    EXPECT_FALSE(Appcast::isValid(item));
    item.edSignature = QByteArray(64, 'x').toBase64();
    item.fileURL = QUrl(QStringLiteral("https:///no-host.tar.gz"));
    EXPECT_FALSE(Appcast::isValid(item));
    item.fileURL = QUrl::fromLocalFile(QStringLiteral("/srv/a.tar.gz"));
    EXPECT_TRUE(Appcast::isValid(item));
}

TEST(VersionComparison, BuildsCompareAsNumbersAndReleasesOutrankPrereleases)
{
    using VersionComparison::compare;
    EXPECT_LT(compare(QStringLiteral("9"), QStringLiteral("10")), 0);
    EXPECT_GT(compare(QStringLiteral("1.10"), QStringLiteral("1.9")), 0);
    EXPECT_EQ(compare(QStringLiteral("1.4"), QStringLiteral("1.4.0")), 0);
    EXPECT_EQ(compare(QStringLiteral("007"), QStringLiteral("7")), 0);
    EXPECT_GT(compare(QStringLiteral("1.5"), QStringLiteral("1.5b3")), 0);
    EXPECT_GT(compare(QStringLiteral("1.5b3"), QStringLiteral("1.5b2")), 0);
    EXPECT_GT(compare(QStringLiteral("1.5.1"), QStringLiteral("1.5b3")), 0);
    // Numbers past 64 bits still order.
    EXPECT_GT(compare(QStringLiteral("123456789012345678901234567890"), QStringLiteral("99999999999999999999")), 0);
    EXPECT_EQ(compare(QString(), QStringLiteral("0")), 0);
    EXPECT_GT(compare(QStringLiteral("1"), QString()), 0);
}
