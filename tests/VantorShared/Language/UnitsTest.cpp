#include "VantorShared/Language/Units.h"
#include "Platform/Locale/SystemLocale.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/IsolatedSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// The built app's translations, a language chosen through VANTOR_LANGUAGE and a region from LANG.
class UnitsTest : public ::testing::Test {
protected:
    ~UnitsTest() override { SystemLocale::setEnvironmentForTesting(std::nullopt); }

    void locale(const char* language, const char* posixLocale)
    {
        m_language.emplace("VANTOR_LANGUAGE", QByteArray(language));
        SystemLocale::setEnvironmentForTesting(
            SystemLocale::Environment {{QStringLiteral("LANG"), QLatin1String(posixLocale)}});
    }
    void unit(const QString& text) { SharedSettings::store().setString(SharedSettings::Key::temperatureUnit, text); }

    IsolatedSettings m_settings;
    ScopedMainBundle m_main {QStringLiteral(VANTOR_APP_BUNDLE)};
    std::optional<ScopedEnv> m_language;
};

} // namespace

TEST_F(UnitsTest, TemperatureChoiceAndUnit)
{
    locale("en", "en_US.UTF-8");
    EXPECT_EQ(Units::temperatureChoice(), Units::TemperatureChoice::system);
    EXPECT_EQ(Units::temperatureUnit(), Units::TemperatureUnit::fahrenheit);
    EXPECT_EQ(Units::degrees(45), QStringLiteral("113°"));
    for (const char* other : {"Celsius", "kelvin", ""}) {
        unit(QLatin1String(other));
        EXPECT_EQ(Units::temperatureChoice(), Units::TemperatureChoice::system) << other;
    }
    unit(QStringLiteral("celsius"));
    EXPECT_EQ(Units::degrees(45), QStringLiteral("45°"));

    // The region decides, not the language: German in the United States is Fahrenheit.
    unit(QStringLiteral("system"));
    locale("de", "en_US.UTF-8");
    EXPECT_EQ(Units::temperatureUnit(), Units::TemperatureUnit::fahrenheit);
    locale("en", "en_GB.UTF-8");
    EXPECT_EQ(Units::temperatureUnit(), Units::TemperatureUnit::celsius);
    locale("en", "C.UTF-8");
    EXPECT_EQ(Units::temperatureUnit(), Units::TemperatureUnit::celsius);
    unit(QStringLiteral("fahrenheit"));
    EXPECT_EQ(Units::temperatureUnit(), Units::TemperatureUnit::fahrenheit);
}

TEST_F(UnitsTest, DegreesRoundAndSurviveNonsense)
{
    locale("en", "de_DE.UTF-8");
    EXPECT_EQ(Units::degrees(45.5), QStringLiteral("46°"));
    EXPECT_EQ(Units::degrees(45.4), QStringLiteral("45°"));
    EXPECT_EQ(Units::degrees(-0.4), QStringLiteral("0°"));
    EXPECT_EQ(Units::degrees(-12.6), QStringLiteral("-13°"));
    for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
             -std::numeric_limits<double>::infinity(), 1e300, -1e300})
        EXPECT_EQ(Units::degrees(bad), QStringLiteral("—°")) << bad;
}

TEST_F(UnitsTest, MeasurementsInTheLanguageAndRegion)
{
    locale("en", "en_US.UTF-8");
    unit(QStringLiteral("celsius"));
    EXPECT_EQ(Units::localeName(), QStringLiteral("en_US"));
    EXPECT_EQ(Units::temperature(45.26, 1), QStringLiteral("45.3°C"));
    unit(QStringLiteral("fahrenheit"));
    EXPECT_EQ(Units::temperature(45, 0), QStringLiteral("113°F"));
    EXPECT_EQ(Units::watts(3.14159, 2), QStringLiteral("3.14 W"));
    EXPECT_EQ(Units::watts(12, 1), QStringLiteral("12.0 W"));
    EXPECT_EQ(Units::volts(12.3), QStringLiteral("12.30 V"));
    EXPECT_EQ(Units::rpm(1234.6), QStringLiteral("1,235 RPM"));

    // German texts with Swiss number formats.
    locale("de", "de_CH.UTF-8");
    unit(QStringLiteral("system"));
    EXPECT_EQ(Units::localeName(), QStringLiteral("de_CH"));
    EXPECT_EQ(Units::temperature(45.26, 1), QStringLiteral("45.3 °C"));
    EXPECT_EQ(Units::rpm(1234.6), QStringLiteral("1’235 U/min"));

    // The language of the interface with the region of the system.
    locale("fr", "de_DE.UTF-8");
    EXPECT_EQ(Units::localeName(), QStringLiteral("fr_DE"));
    EXPECT_EQ(Units::watts(1.5, 1), QStringLiteral("1,5\u202FW"));

    // A choice that is not shipped falls back like every other text: to the system's language,
    // else to English.
    locale("xx", "ja_JP.UTF-8");
    EXPECT_EQ(Units::localeName(), QStringLiteral("ja_JP"));
    locale("xx", "ko_KR.UTF-8");
    EXPECT_EQ(Units::localeName(), QStringLiteral("en_KR"));
}
