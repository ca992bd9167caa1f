#include "Platform/Locale/SystemLocale.h"
#include "Platform/Locale/MeasurementFormatter.h"

#include <gtest/gtest.h>

using SystemLocale::Environment;

TEST(SystemLocale, LanguageTagsFromPosixNames)
{
    const std::pair<const char*, const char*> cases[] {
        {"de_AT.UTF-8@euro", "de-AT"},
        {"en_US.UTF-8", "en-US"},
        {"fr", "fr"},
        {"sr_RS@latin", "sr-Latn-RS"},
        {"zh_Hant_TW", "zh-Hant-TW"},
        {"es_419", "es-419"},
        {"C", ""},
        {"C.UTF-8", ""},
        {"POSIX", ""},
        {"", ""},
        {"../../etc", ""},
        {"en_USA_x", ""},
    };
    for (const auto& [posix, tag] : cases)
        EXPECT_EQ(SystemLocale::languageTag(QLatin1String(posix)), QLatin1String(tag)) << posix;
}

TEST(SystemLocale, PreferredLanguagesFollowTheUsualPrecedence)
{
    auto languages = [](const Environment& environment) { return SystemLocale::preferredLanguages(environment); };
    const QString lang = QStringLiteral("LANG"), language = QStringLiteral("LANGUAGE");
    EXPECT_EQ(languages({{language, QStringLiteral("fr_FR:de::en_US")}, {lang, QStringLiteral("en_US.UTF-8")}}),
        (QStringList {QStringLiteral("fr-FR"), QStringLiteral("de"), QStringLiteral("en-US")}));
    // LC_ALL beats LC_MESSAGES beats LANG.
    EXPECT_EQ(languages({{QStringLiteral("LC_ALL"), QStringLiteral("ja_JP.UTF-8")},
                  {QStringLiteral("LC_MESSAGES"), QStringLiteral("de_DE")}, {lang, QStringLiteral("fr_FR")}}),
        QStringList {QStringLiteral("ja-JP")});
    EXPECT_EQ(languages({{QStringLiteral("LC_MESSAGES"), QStringLiteral("de_DE")}, {lang, QStringLiteral("fr_FR")}}),
        QStringList {QStringLiteral("de-DE")});
    // An empty LC_ALL counts as unset.
    EXPECT_EQ(languages({{QStringLiteral("LC_ALL"), QString()}, {lang, QStringLiteral("fr_FR")}}),
        QStringList {QStringLiteral("fr-FR")});
    // Under the C locale LANGUAGE is ignored, as gettext does.
    EXPECT_TRUE(languages({{language, QStringLiteral("de")}, {lang, QStringLiteral("C.UTF-8")}}).isEmpty());
    EXPECT_TRUE(languages({}).isEmpty());
}

TEST(SystemLocale, RegionOfTheFormattingLocale)
{
    EXPECT_EQ(
        SystemLocale::regionCode({{QStringLiteral("LANG"), QStringLiteral("de_AT.UTF-8")}}), QStringLiteral("AT"));
    EXPECT_EQ(SystemLocale::regionCode({{QStringLiteral("LC_MEASUREMENT"), QStringLiteral("en_US")},
                  {QStringLiteral("LANG"), QStringLiteral("de_DE")}}),
        QStringLiteral("US"));
    EXPECT_EQ(SystemLocale::regionCode({{QStringLiteral("LANG"), QStringLiteral("zh_Hant_TW")}}), QStringLiteral("TW"));
    EXPECT_EQ(SystemLocale::regionCode({{QStringLiteral("LANG"), QStringLiteral("C")}}), QString());
    EXPECT_EQ(SystemLocale::languageOf(QStringLiteral("pt_BR")), QStringLiteral("pt"));
    EXPECT_EQ(SystemLocale::languageOf(QStringLiteral("zh-Hans")), QStringLiteral("zh"));
}

TEST(SystemLocale, PreferredLocalizationPrefersExactThenLanguageInPreferenceOrder)
{
    const QStringList shipped {QStringLiteral("en"), QStringLiteral("de"), QStringLiteral("de-AT"),
        QStringLiteral("fr"), QStringLiteral("pt-BR")};
    auto pick
        = [&](const QStringList& preferences) { return SystemLocale::preferredLocalizations(shipped, preferences); };
    EXPECT_EQ(pick({QStringLiteral("de-AT")}), QStringList {QStringLiteral("de-AT")});
    EXPECT_EQ(pick({QStringLiteral("de-CH")}), QStringList {QStringLiteral("de")});
    EXPECT_EQ(pick({QStringLiteral("pt_br")}), QStringList {QStringLiteral("pt-BR")});
    // The first preference that can be served decides, even if a later one matches exactly.
    EXPECT_EQ(pick({QStringLiteral("it"), QStringLiteral("fr-CA"), QStringLiteral("en")}),
        QStringList {QStringLiteral("fr")});
    // A bare language does not reach for a regional variant.
    EXPECT_TRUE(pick({QStringLiteral("pt")}).isEmpty());
    EXPECT_TRUE(pick({}).isEmpty());
}

TEST(SystemLocale, NativeLanguageNames)
{
    EXPECT_EQ(SystemLocale::nativeLanguageName(QStringLiteral("de")), QStringLiteral("Deutsch"));
    EXPECT_EQ(SystemLocale::nativeLanguageName(QStringLiteral("fr")), QStringLiteral("Français"));
    EXPECT_EQ(SystemLocale::nativeLanguageName(QStringLiteral("ja")), QStringLiteral("日本語"));
    EXPECT_EQ(SystemLocale::nativeLanguageName(QStringLiteral("en")), QStringLiteral("English"));
    // Capitalised by the language's own rules although the locale data writes it in lower case.
    EXPECT_EQ(SystemLocale::nativeLanguageName(QStringLiteral("es")), QStringLiteral("Español"));
    EXPECT_EQ(SystemLocale::nativeLanguageName(QStringLiteral("qq")), QStringLiteral("qq"));
    EXPECT_EQ(SystemLocale::nativeLanguageName(QString()), QString());
}

TEST(MeasurementFormatter, UnitsFractionsAndMeasurementSystems)
{
    MeasurementFormatter english(QStringLiteral("en_US"));
    EXPECT_EQ(english.format(45.26, MeasurementFormatter::Unit::celsius, 1), QStringLiteral("45.3°C"));
    EXPECT_EQ(english.format(113, MeasurementFormatter::Unit::fahrenheit, 0), QStringLiteral("113°F"));
    EXPECT_EQ(english.format(12.5, MeasurementFormatter::Unit::watt, 2), QStringLiteral("12.50 W"));
    EXPECT_EQ(english.format(12.3, MeasurementFormatter::Unit::volt, 2), QStringLiteral("12.30 V"));
    EXPECT_EQ(english.format(1234.6, MeasurementFormatter::Unit::none, 0), QStringLiteral("1,235"));
    // Out-of-range fraction counts are clamped rather than indexing past the cache.
    EXPECT_EQ(english.format(1, MeasurementFormatter::Unit::none, -3), QStringLiteral("1"));
    EXPECT_EQ(english.format(1, MeasurementFormatter::Unit::none, 99), QStringLiteral("1.000000"));
    EXPECT_FALSE(english.format(std::nan(""), MeasurementFormatter::Unit::watt, 1).isEmpty());

    MeasurementFormatter german(QStringLiteral("de_DE"));
    EXPECT_EQ(german.format(45.26, MeasurementFormatter::Unit::celsius, 1), QStringLiteral("45,3 °C"));
    EXPECT_EQ(german.format(1234.6, MeasurementFormatter::Unit::none, 0), QStringLiteral("1.235"));

    EXPECT_TRUE(MeasurementFormatter::usesUSMeasurementSystem(QStringLiteral("en_US")));
    EXPECT_TRUE(MeasurementFormatter::usesUSMeasurementSystem(QStringLiteral("de_US")));
    EXPECT_FALSE(MeasurementFormatter::usesUSMeasurementSystem(QStringLiteral("en_GB")));
    EXPECT_FALSE(MeasurementFormatter::usesUSMeasurementSystem(QStringLiteral("en")));
    EXPECT_FALSE(MeasurementFormatter::usesUSMeasurementSystem(QStringLiteral("ja_JP")));
}
