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

const QUrl kFeed(QStringLiteral("https://updates.example.org/appcast.xml"));

} // namespace

TEST(Appcast, TheNewestUsableReleaseIsChosenOverNewerUnusableOnes)
{
    const auto items = Appcast::parse(fixture("several-items.xml"));
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 6);

    // Unsigned, length-less and ftp releases are newer but cannot be installed.
    EXPECT_FALSE(Appcast::isValid(items->at(1), kFeed));
    EXPECT_FALSE(Appcast::isValid(items->at(3), kFeed));
    EXPECT_FALSE(Appcast::isValid(items->at(4), kFeed));

    const auto newest = Appcast::newestValidItem(*items, kFeed);
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
    EXPECT_TRUE(Appcast::isValid(items->at(5), kFeed));
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
    EXPECT_FALSE(Appcast::newestValidItem(*empty, kFeed));
}

TEST(Appcast, SignaturesMustHaveTheRightShape)
{
    AppcastItem item;
    item.versionString = QStringLiteral("2");
    item.fileURL = QUrl(QStringLiteral("https://example.org/a.tar.gz"));
    item.contentLength = 10;
    item.edSignature = QByteArray(64, 'x').toBase64();
    EXPECT_TRUE(Appcast::isValid(item, kFeed));
    item.edSignature = QByteArray(63, 'x').toBase64();
    EXPECT_FALSE(Appcast::isValid(item, kFeed));
    item.edSignature = "not base64 at all!";
    EXPECT_FALSE(Appcast::isValid(item, kFeed));
    item.edSignature = QByteArray(64, 'x').toBase64();
    item.fileURL = QUrl(QStringLiteral("https:///no-host.tar.gz"));
    EXPECT_FALSE(Appcast::isValid(item, kFeed));
}

TEST(Appcast, OnlyHttpsAndLocalFilesOfALocalFeedAreFetched)
{
    AppcastItem item;
    item.versionString = QStringLiteral("2");
    item.contentLength = 10;
    item.edSignature = QByteArray(64, 'x').toBase64();
    const QUrl localFeed = QUrl::fromLocalFile(QStringLiteral("/srv/appcast.xml"));
    const QUrl httpFeed(QStringLiteral("http://updates.example.org/appcast.xml"));
    struct Case {
        const char* archive;
        bool fromHttps, fromLocalFile;
    };
    for (const Case& c : {Case {"https://example.org/a.tar.gz", true, true},
             Case {"http://example.org/a.tar.gz", false, false}, Case {"file:///srv/a.tar.gz", false, true},
             Case {"file://other-host/srv/a.tar.gz", false, false}, Case {"ftp://example.org/a.tar.gz", false, false},
             Case {"HTTPS://example.org/a.tar.gz", true, true}, Case {"a.tar.gz", false, false}}) {
        item.fileURL = QUrl(QLatin1String(c.archive));
        EXPECT_EQ(Appcast::isValid(item, kFeed), c.fromHttps) << c.archive;
        EXPECT_EQ(Appcast::isValid(item, localFeed), c.fromLocalFile) << c.archive;
        // A feed that came over plain http is not trusted to name local files either.
        EXPECT_EQ(Appcast::isValid(item, httpFeed), c.fromHttps) << c.archive;
    }

    // Release notes at a place the feed may not name are dropped; the release stays.
    item.fileURL = QUrl(QStringLiteral("https://example.org/a.tar.gz"));
    item.releaseNotesURL = QUrl(QStringLiteral("http://example.org/notes.html"));
    auto newest = Appcast::newestValidItem({item}, kFeed);
    ASSERT_TRUE(newest);
    EXPECT_TRUE(newest->releaseNotesURL.isEmpty());
    item.releaseNotesURL = QUrl(QStringLiteral("javascript:alert(1)"));
    EXPECT_TRUE(Appcast::newestValidItem({item}, kFeed)->releaseNotesURL.isEmpty());
    item.releaseNotesURL = QUrl(QStringLiteral("https://example.org/notes.html"));
    EXPECT_EQ(Appcast::newestValidItem({item}, kFeed)->releaseNotesURL, item.releaseNotesURL);
}

TEST(Appcast, DeeplyNestedFeedsAreRefusedWithoutRecursion)
{
    // Sixty thousand elements inside a title once took one stack frame each.
    const int levels = 60000;
    QByteArray title;
    title.reserve(levels * 8);
    for (int i = 0; i < levels; ++i)
        title += "<b>";
    title += "x";
    for (int i = 0; i < levels; ++i)
        title += "</b>";
    const QByteArray feed = "<rss version=\"2.0\"><channel><item><title>" + title + "</title></item></channel></rss>";
    QString error;
    EXPECT_FALSE(Appcast::parse(feed, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("nested"))) << error.toStdString();

    // Depth short of the cap still reads, with the text of every level in the title.
    const auto shallow = Appcast::parse("<rss><channel><item><title>Vantor <b>1.<i>5</i></b> &amp; more</title>"
                                        "</item></channel></rss>");
    ASSERT_TRUE(shallow);
    ASSERT_EQ(shallow->size(), 1);
    EXPECT_EQ(shallow->first().title, QStringLiteral("Vantor 1.5 & more"));
    QByteArray deep = "<rss><channel><item><title>";
    for (int i = 0; i < 40; ++i)
        deep += "<b>";
    for (int i = 0; i < 40; ++i)
        deep += "</b>";
    EXPECT_FALSE(Appcast::parse(deep + "</title></item></channel></rss>"));
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
