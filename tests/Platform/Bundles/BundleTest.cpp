#include "Platform/Bundles/Bundle.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(Bundle, ReadsInformationKeysAndLocalizations)
{
    const auto bundle = Bundle::open(QStringLiteral(VANTOR_TEST_DATA "/bundles/Example.app"));
    ASSERT_TRUE(bundle.has_value());
    EXPECT_EQ(bundle->identifier(), QStringLiteral("com.example.bundle"));
    EXPECT_EQ(bundle->infoValue(QStringLiteral("CFBundleShortVersionString")), QVariant(QStringLiteral("1.4")));
    EXPECT_EQ(bundle->infoValue(QStringLiteral("CFBundleVersion")), QVariant(qint64(27)));
    EXPECT_EQ(bundle->infoValue(QStringLiteral("LSUIElement")), QVariant(true));
    EXPECT_EQ(bundle->infoValue(QStringLiteral("Ratio")), QVariant(0.5));
    EXPECT_EQ(bundle->infoValue(QStringLiteral("Names")),
        QVariant(QStringList {QStringLiteral("a & b"), QStringLiteral("c")}));
    EXPECT_EQ(bundle->developmentLocalization(), QStringLiteral("en"));
    EXPECT_EQ(bundle->localizations(), QStringList({"Base", "de", "en"}));
    EXPECT_TRUE(bundle->executablePath().endsWith(QStringLiteral("/Example.app/Contents/MacOS/Example")));
    EXPECT_TRUE(bundle->pathForResource(QStringLiteral("missing"), QStringLiteral("txt")).isEmpty());
}

TEST(Bundle, TheBuiltProgramsAreBundlesOneInsideTheOther)
{
    const auto app = Bundle::open(QStringLiteral(VANTOR_APP_BUNDLE));
    const auto agent = Bundle::open(QStringLiteral(VANTOR_APP_BUNDLE "/Contents/Library/LoginItems/VantorAgent.app"));
    ASSERT_TRUE(app && agent);
    EXPECT_EQ(app->identifier(), QStringLiteral("com.quillon.vantor"));
    EXPECT_EQ(agent->identifier(), QStringLiteral("com.quillon.vantor.agent"));
    EXPECT_EQ(app->infoValue(QStringLiteral("SUPublicEDKey")).typeId(), QMetaType::QString);
    EXPECT_EQ(app->infoValue(QStringLiteral("CFBundleShortVersionString")),
        agent->infoValue(QStringLiteral("CFBundleShortVersionString")));
    EXPECT_TRUE(QFileInfo(agent->executablePath()).isExecutable());
    EXPECT_TRUE(agent->executablePath().endsWith(QStringLiteral("/VantorAgent.app/Contents/MacOS/VantorAgent")));
}

TEST(Bundle, RejectsPropertyListsItCannotRead)
{
    EXPECT_FALSE(Bundle::parsePropertyList("not xml").has_value());
    EXPECT_FALSE(Bundle::parsePropertyList("<plist><array/></plist>").has_value());
    EXPECT_FALSE(Bundle::parsePropertyList("<plist><dict><key>a</key><integer>x</integer></dict></plist>").has_value());
    EXPECT_FALSE(Bundle::parsePropertyList("<plist><dict><string>no key</string></dict></plist>").has_value());
    EXPECT_FALSE(Bundle::parsePropertyList("<plist><dict><key>a</key><string>unterminated").has_value());
    EXPECT_FALSE(Bundle::open(QStringLiteral(VANTOR_TEST_DATA "/bundles/Missing.app")).has_value());
}

} // namespace
