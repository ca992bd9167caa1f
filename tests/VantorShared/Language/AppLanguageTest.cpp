#include "VantorShared/Language/AppLanguage.h"
#include "Platform/Locale/SystemLocale.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/IsolatedSettings.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <unicode/locid.h>

namespace {

using SharedSettings::Key::appleLanguages;

// A bundle developed in English with Base, English, German and French folders, a settings suite
// of its own, and a system that prefers French, then English.
class AppLanguageTest : public ::testing::Test {
protected:
    AppLanguageTest()
        : m_bundle(makeBundle(m_dir.path()))
    {
        SystemLocale::setEnvironmentForTesting(
            SystemLocale::Environment {{QStringLiteral("LANGUAGE"), QStringLiteral("fr_FR:en")},
                {QStringLiteral("LANG"), QStringLiteral("fr_FR.UTF-8")}});
        AppLanguage::resetLaunchedCodeForTesting();
    }
    ~AppLanguageTest() override
    {
        SystemLocale::setEnvironmentForTesting(std::nullopt);
        AppLanguage::resetLaunchedCodeForTesting();
    }

    static QString makeBundle(const QString& dir)
    {
        const QString path = FixtureBundle::write(dir + QStringLiteral("/Vantor.app"),
            {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("test.app")},
                {QStringLiteral("CFBundleDevelopmentRegion"), QStringLiteral("en")}});
        FixtureBundle::addLocalization(path, QStringLiteral("Base"));
        // Proves that English never reads a table: keys are the English texts.
        FixtureBundle::addLocalization(path, QStringLiteral("en"), "\"Fan\" = \"WRONG\";");
        FixtureBundle::addLocalization(path, QStringLiteral("de"),
            "\"Fan\" = \"L\xC3\xBC"
            "fter\";");
        FixtureBundle::addLocalization(path, QStringLiteral("fr"), "\"Fan\" = \"Ventilateur\";");
        return path;
    }

    void choose(const QString& language) { SharedSettings::store().setString(SharedSettings::Key::language, language); }
    QVariant processLanguages() const { return PreferencesDomain::standard().objectForKey(appleLanguages); }

    QTemporaryDir m_dir;
    IsolatedSettings m_settings;
    QString m_bundle;
    ScopedMainBundle m_main {m_bundle};
    ScopedEnv m_noOverride {"VANTOR_LANGUAGE", std::nullopt};
};

} // namespace

TEST_F(AppLanguageTest, ShippedDropsBaseAndRepeats)
{
    EXPECT_EQ(AppLanguage::shipped(), (QStringList {QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("fr")}));

    // Without a development region English leads; a development region without a folder still
    // counts.
    QTemporaryDir other;
    const QString path = FixtureBundle::write(
        other.path() + QStringLiteral("/O.app"), {{QStringLiteral("CFBundleDevelopmentRegion"), QStringLiteral("ja")}});
    FixtureBundle::addLocalization(path, QStringLiteral("de"));
    FixtureBundle::addLocalization(path, QStringLiteral("ja"));
    ScopedMainBundle main(path);
    EXPECT_EQ(AppLanguage::shipped(), (QStringList {QStringLiteral("ja"), QStringLiteral("de")}));
}

TEST_F(AppLanguageTest, ChoiceAndCode)
{
    EXPECT_EQ(AppLanguage::choice(), QStringLiteral("system"));
    EXPECT_EQ(AppLanguage::code(), QStringLiteral("fr")); // the system's preference

    choose(QStringLiteral("de"));
    EXPECT_EQ(AppLanguage::choice(), QStringLiteral("de"));
    EXPECT_EQ(AppLanguage::code(), QStringLiteral("de"));

    {
        // The variable wins over the setting, even when it names no shipped language …
        ScopedEnv variable("VANTOR_LANGUAGE", QByteArray("it"));
        EXPECT_EQ(AppLanguage::choice(), QStringLiteral("it"));
        EXPECT_EQ(AppLanguage::code(), QStringLiteral("fr"));
        // … and the process then follows the system.
        PreferencesDomain::standard().setStringList(appleLanguages, {QStringLiteral("stale")});
        AppLanguage::applyChoiceToProcessDefaults();
        EXPECT_FALSE(processLanguages().isValid());
    }
    {
        ScopedEnv empty("VANTOR_LANGUAGE", QByteArray(""));
        EXPECT_EQ(AppLanguage::choice(), QString());
    }

    // Nothing the system prefers is shipped: the development language.
    choose(QStringLiteral("system"));
    SystemLocale::setEnvironmentForTesting(
        SystemLocale::Environment {{QStringLiteral("LANG"), QStringLiteral("ko_KR")}});
    EXPECT_EQ(AppLanguage::code(), QStringLiteral("en"));
    SystemLocale::setEnvironmentForTesting(
        SystemLocale::Environment {{QStringLiteral("LANG"), QStringLiteral("de_AT")}});
    EXPECT_EQ(AppLanguage::code(), QStringLiteral("de"));
}

TEST_F(AppLanguageTest, StringLooksUpTheResolvedLanguage)
{
    choose(QStringLiteral("en"));
    EXPECT_EQ(AppLanguage::string(QStringLiteral("Fan")), QStringLiteral("Fan"));
    choose(QStringLiteral("de"));
    EXPECT_EQ(AppLanguage::string(QStringLiteral("Fan")), QStringLiteral("Lüfter"));
    EXPECT_EQ(AppLanguage::string(QStringLiteral("Not translated")), QStringLiteral("Not translated"));

    // A shipped folder without a table gives the key.
    FixtureBundle::addLocalization(m_bundle, QStringLiteral("ja"));
    ScopedMainBundle reopened(m_bundle);
    choose(QStringLiteral("ja"));
    EXPECT_EQ(AppLanguage::code(), QStringLiteral("ja"));
    EXPECT_EQ(AppLanguage::string(QStringLiteral("Fan")), QStringLiteral("Fan"));
}

TEST_F(AppLanguageTest, ChoiceGoesIntoTheProcessDefaults)
{
    SystemLocale::setEnvironmentForTesting(SystemLocale::Environment {
        {QStringLiteral("LANGUAGE"), QStringLiteral("fr:de:en")}, {QStringLiteral("LANG"), QStringLiteral("fr_FR")}});
    choose(QStringLiteral("de"));
    AppLanguage::applyChoiceToProcessDefaults();
    EXPECT_EQ(processLanguages().toStringList(),
        (QStringList {QStringLiteral("de"), QStringLiteral("fr"), QStringLiteral("en"), QStringLiteral("fr-FR")}));

    choose(QStringLiteral("system"));
    AppLanguage::applyChoiceToProcessDefaults();
    EXPECT_FALSE(processLanguages().isValid());
}

TEST_F(AppLanguageTest, StaleAfterTheChoiceChanges)
{
    const QLocale before;
    const icu::Locale icuBefore = icu::Locale::getDefault();
    EXPECT_FALSE(AppLanguage::processIsStale());
    choose(QStringLiteral("fr"));
    EXPECT_FALSE(AppLanguage::processIsStale()); // never adopted

    AppLanguage::adoptChoiceAtLaunch();
    EXPECT_EQ(AppLanguage::launchedCode(), QStringLiteral("fr"));
    EXPECT_EQ(QLocale().language(), QLocale::French);
    EXPECT_FALSE(AppLanguage::processIsStale());
    choose(QStringLiteral("de"));
    EXPECT_TRUE(AppLanguage::processIsStale());
    // An unshipped choice resolves to the system's French again: nothing to relaunch for.
    choose(QStringLiteral("it"));
    EXPECT_FALSE(AppLanguage::processIsStale());
    QLocale::setDefault(before);
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icuBefore, status);
}

TEST_F(AppLanguageTest, AvailableNamesEachLanguageInItself)
{
    FixtureBundle::addLocalization(m_bundle, QStringLiteral("ja"));
    FixtureBundle::addLocalization(m_bundle, QStringLiteral("qq"));
    ScopedMainBundle reopened(m_bundle);
    const QList<QPair<QString, QString>> expected {{QStringLiteral("de"), QStringLiteral("Deutsch")},
        {QStringLiteral("en"), QStringLiteral("English")}, {QStringLiteral("fr"), QStringLiteral("Français")},
        {QStringLiteral("qq"), QStringLiteral("qq")}, {QStringLiteral("ja"), QStringLiteral("日本語")}};
    EXPECT_EQ(AppLanguage::available(), expected);
}

TEST(AppLanguageBundle, TheBuiltAppShipsItsTranslations)
{
    IsolatedSettings settings;
    ScopedMainBundle main(QStringLiteral(VANTOR_APP_BUNDLE));
    EXPECT_EQ(AppLanguage::shipped(),
        (QStringList {QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("fr"), QStringLiteral("ja")}));
    ScopedEnv variable("VANTOR_LANGUAGE", QByteArray("de"));
    EXPECT_EQ(AppLanguage::string(QStringLiteral("Memory")), QStringLiteral("Speicher"));
}
