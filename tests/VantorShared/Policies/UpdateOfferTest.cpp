#include "VantorShared/Policies/UpdateOffer.h"
#include "Platform/Bundles/Bundle.h"
#include "VantorShared/Policies/BundleVersion.h"
#include "tests/support/FixtureBundle.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(UpdateOffer, Names)
{
    EXPECT_EQ(UpdateOffer::name(QStringLiteral("1.4"), QStringLiteral("1.4")), QStringLiteral("1.4"));
    EXPECT_EQ(UpdateOffer::name(QStringLiteral("1.4"), QStringLiteral("27")), QStringLiteral("1.4 (27)"));
    EXPECT_EQ(UpdateOffer::name(QStringLiteral("?"), QStringLiteral("?")), QStringLiteral("?"));
}

TEST(UpdateOffer, BuildNumbers)
{
    const std::pair<const char*, std::optional<qint64>> cases[] {
        {"1.4 (27)", 27},
        {"1.4 (  27\t)", 27},
        {"1.4 (+27)", 27},
        {"1.4 (-3)", -3},
        {"1.4 (26) (27)", 27},
        {"(9223372036854775807)", std::numeric_limits<qint64>::max()},
        {"(-9223372036854775808)", std::numeric_limits<qint64>::min()},
        {"(9223372036854775808)", std::nullopt},
        {"(99999999999999999999999)", std::nullopt},
        {"1.4", std::nullopt},
        {"1.4 ()", std::nullopt},
        {"1.4 (   )", std::nullopt},
        {"1.4 (beta)", std::nullopt},
        {"1.4 (2 7)", std::nullopt},
        {"1.4 (27b)", std::nullopt},
        {"1.4 (+)", std::nullopt},
        {"1.4 (+-1)", std::nullopt},
        {"1.4 (27", std::nullopt},
        {"1.4 27)", std::nullopt},
        {"1.4 (27) )(", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(UpdateOffer::buildNumber(QString::fromUtf8(text)), expected) << text;
    // Digits of other scripts are not decimal digits here.
    EXPECT_FALSE(UpdateOffer::buildNumber(QStringLiteral("1.4 (٢٧)")));
}

TEST(UpdateOffer, SpentOffers)
{
    const QString offer = QStringLiteral("1.5 (30)");
    EXPECT_TRUE(UpdateOffer::isSpent(offer, QStringLiteral("1.5 (30)")));
    EXPECT_TRUE(UpdateOffer::isSpent(offer, QStringLiteral("1.4 (31)")));
    EXPECT_FALSE(UpdateOffer::isSpent(offer, QStringLiteral("1.5 (29)")));
    // Without a build number on either side only the same text is spent.
    EXPECT_TRUE(UpdateOffer::isSpent(QStringLiteral("2.0"), QStringLiteral("2.0")));
    EXPECT_FALSE(UpdateOffer::isSpent(QStringLiteral("2.0"), QStringLiteral("2.0 (40)")));
    EXPECT_FALSE(UpdateOffer::isSpent(offer, QStringLiteral("?")));
}

TEST(UpdateOffer, BundleVersionText)
{
    QTemporaryDir dir;
    const auto bare = Bundle::open(FixtureBundle::write(dir.path() + QStringLiteral("/A.app"), {}));
    ASSERT_TRUE(bare);
    EXPECT_EQ(BundleVersion::text(*bare), QStringLiteral("?"));
    const auto versioned = Bundle::open(FixtureBundle::write(dir.path() + QStringLiteral("/B.app"),
        {{QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.4")},
            {QStringLiteral("CFBundleVersion"), QStringLiteral("27")}}));
    ASSERT_TRUE(versioned);
    EXPECT_EQ(BundleVersion::text(*versioned), QStringLiteral("1.4 (27)"));

    // A build written as a number is not text.
    const QString path = dir.path() + QStringLiteral("/C.app");
    FixtureBundle::writeFile(path + QStringLiteral("/Contents/Info.plist"),
        "<plist><dict><key>CFBundleShortVersionString</key><string>2.0</string>"
        "<key>CFBundleVersion</key><integer>5</integer></dict></plist>");
    ASSERT_TRUE(Bundle::open(path));
    EXPECT_EQ(BundleVersion::text(*Bundle::open(path)), QStringLiteral("2.0 (?)"));

    ScopedMainBundle main(QStringLiteral(VANTOR_APP_BUNDLE));
    const auto build = UpdateOffer::buildNumber(BundleVersion::text());
    EXPECT_TRUE(build && *build >= 1) << BundleVersion::text().toStdString();
}
