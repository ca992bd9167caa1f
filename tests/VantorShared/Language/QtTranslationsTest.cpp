#include "VantorShared/Language/QtTranslations.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString cancel()
{
    return QCoreApplication::translate("QPlatformTheme", "Cancel");
}

QString basicColours()
{
    return QCoreApplication::translate("QColorDialog", "&Basic colors");
}

class QtTranslationsTest : public ::testing::Test {
protected:
    ~QtTranslationsTest() override { QtTranslations::install(QStringLiteral("en")); }
};

} // namespace

TEST_F(QtTranslationsTest, QtsOwnTextsFollowTheInterfaceLanguage)
{
    ASSERT_TRUE(QtTranslations::install(QStringLiteral("de")));
    EXPECT_EQ(cancel(), QStringLiteral("Abbrechen"));
    EXPECT_NE(basicColours(), QStringLiteral("&Basic colors"));

    // Another language replaces the first rather than stacking on it.
    ASSERT_TRUE(QtTranslations::install(QStringLiteral("fr")));
    EXPECT_EQ(cancel(), QStringLiteral("Annuler"));
    ASSERT_TRUE(QtTranslations::install(QStringLiteral("ja")));
    EXPECT_NE(cancel(), QStringLiteral("Cancel"));
    EXPECT_NE(cancel(), QStringLiteral("Annuler"));

    // English is Qt's own; a language without a catalogue leaves Qt's texts English too.
    EXPECT_FALSE(QtTranslations::install(QStringLiteral("en")));
    EXPECT_EQ(cancel(), QStringLiteral("Cancel"));
    QTemporaryDir empty;
    EXPECT_FALSE(QtTranslations::install(QStringLiteral("de"), empty.path()));
    EXPECT_EQ(cancel(), QStringLiteral("Cancel"));
    EXPECT_FALSE(QtTranslations::install(QString()));
}
