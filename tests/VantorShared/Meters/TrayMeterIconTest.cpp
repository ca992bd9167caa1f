#include "VantorShared/Meters/TrayMeterIcon.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeReadings.h"
#include "tests/support/IsolatedSettings.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace SharedSettings;
using S = MonitorSection;

namespace {

class TrayMeterIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bundle::setMainBundlePathForTesting(QStringLiteral(VANTOR_AGENT_BUNDLE));
        prepareAtLaunch();
    }
    void TearDown() override { Bundle::setMainBundlePathForTesting(QString()); }

    static int opaquePixels(const QImage& image, const QRect& area)
    {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        return count;
    }

    IsolatedSettings settings;
    FakeReadings readings;
};

TEST_F(TrayMeterIconTest, EveryFormDrawsSomethingAtEverySize)
{
    for (const char* style : {"bars", "wave", "compact"}) {
        store().setString(Key::meterStyle, QString::fromLatin1(style));
        for (const S section : allMonitorSections) {
            for (const int pixels : TrayMeterIcon::pixelSizes) {
                const QImage image = TrayMeterIcon::render(section, readings, pixels, TrayMeterIcon::Appearance::dark);
                ASSERT_EQ(image.size(), QSize(pixels, pixels));
                EXPECT_GT(opaquePixels(image, image.rect()), 4) << style << ' ' << int(section) << ' ' << pixels;
            }
        }
    }
    const QIcon icon = TrayMeterIcon::icon(S::memory, readings, TrayMeterIcon::Appearance::light);
    EXPECT_EQ(icon.availableSizes().size(), qsizetype(TrayMeterIcon::pixelSizes.size()));
}

TEST_F(TrayMeterIconTest, GaugeFillRisesWithUsage)
{
    const auto filled = [this](double usage) {
        readings.memory = usage;
        const QImage image = TrayMeterIcon::render(S::memory, readings, 22, TrayMeterIcon::Appearance::dark);
        // The gauge is the right third of the square.
        return opaquePixels(image, QRect(16, 0, 6, 22));
    };
    const int empty = filled(0.0);
    const int half = filled(0.5);
    const int full = filled(1.0);
    EXPECT_LT(empty, half);
    EXPECT_LT(half, full);
    // Out-of-range and broken readings draw like their nearest sane value.
    EXPECT_EQ(filled(7.0), full);
    EXPECT_EQ(filled(std::nan("")), empty);
}

TEST_F(TrayMeterIconTest, CoresAreGroupedIntoBarsThatFit)
{
    EXPECT_EQ(TrayMeterIcon::cpuBarCount(4, 22), 4);
    EXPECT_EQ(TrayMeterIcon::cpuBarCount(0, 22), 1);
    const int at16 = TrayMeterIcon::cpuBarCount(64, 16);
    const int at22 = TrayMeterIcon::cpuBarCount(64, 22);
    const int at64 = TrayMeterIcon::cpuBarCount(64, 64);
    EXPECT_GE(at16, 2);
    EXPECT_LT(at16, at22);
    EXPECT_LT(at22, at64);
    // At least two pixels per bar and one between.
    EXPECT_LE(at22 * 3 - 1, 22 - 2 * 2);
}

TEST_F(TrayMeterIconTest, SignatureChangesOnlyWithThePicture)
{
    store().setString(Key::meterStyle, QStringLiteral("bars"));
    readings.cores = QList<double>(16, 0.5);
    const QString before = TrayMeterIcon::signature(S::cpu, &readings);
    // Too small a change to move a bar by a pixel at any size.
    readings.cores[3] = 0.501;
    EXPECT_EQ(TrayMeterIcon::signature(S::cpu, &readings), before);
    readings.cores[3] = 0.9;
    EXPECT_NE(TrayMeterIcon::signature(S::cpu, &readings), before);

    // The wave depends only on the samples the largest icon shows.
    store().setString(Key::meterStyle, QStringLiteral("wave"));
    readings.history = QList<double>(36, 0.3);
    const QString wave = TrayMeterIcon::signature(S::cpu, &readings);
    readings.history[0] = 0.9;
    EXPECT_EQ(TrayMeterIcon::signature(S::cpu, &readings), wave);
    readings.history[35] = 0.9;
    EXPECT_NE(TrayMeterIcon::signature(S::cpu, &readings), wave);

    readings.storage = 0.5;
    const QString storage = TrayMeterIcon::signature(S::storage, &readings);
    readings.storage = 0.5005;
    EXPECT_EQ(TrayMeterIcon::signature(S::storage, &readings), storage);

    EXPECT_TRUE(TrayMeterIcon::signature(S::memory, nullptr).isEmpty());
}

TEST_F(TrayMeterIconTest, SensorsShowTheirReadoutOrTheirSymbol)
{
    store().setString(Key::sensorsReadout, QStringLiteral("power"));
    readings.systemPower = 14.2;
    EXPECT_EQ(TrayMeterIcon::signature(S::sensors, &readings), QStringLiteral("sensors|14W"));
    EXPECT_EQ(TrayMeterIcon::toolTip(S::sensors, readings), title(S::sensors) + QStringLiteral(" 14W"));
    const QImage number = TrayMeterIcon::render(S::sensors, readings, 22, TrayMeterIcon::Appearance::light);

    // Most PCs report no system power: the symbol stands in for the number.
    readings.systemPower.reset();
    EXPECT_EQ(TrayMeterIcon::toolTip(S::sensors, readings), title(S::sensors));
    const QImage symbol = TrayMeterIcon::render(S::sensors, readings, 22, TrayMeterIcon::Appearance::light);
    EXPECT_GT(opaquePixels(symbol, symbol.rect()), 10);
    EXPECT_NE(number, symbol);

    // A long fan speed shrinks to fit instead of being cut off at the edges.
    store().setString(Key::sensorsReadout, QStringLiteral("fan"));
    readings.fanRPM = 12345;
    const QImage fan = TrayMeterIcon::render(S::sensors, readings, 16, TrayMeterIcon::Appearance::dark);
    EXPECT_EQ(opaquePixels(fan, QRect(0, 0, 1, 16)) + opaquePixels(fan, QRect(15, 0, 1, 16)), 0);
}

TEST_F(TrayMeterIconTest, LightAndDarkUseTheirOwnLabelColour)
{
    store().setString(Key::sensorsReadout, QStringLiteral("hottest"));
    readings.hottest = 61.0;
    const auto lightness = [this](TrayMeterIcon::Appearance appearance) {
        const QImage image = TrayMeterIcon::render(S::sensors, readings, 32, appearance);
        int sum = 0;
        int count = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (qAlpha(image.pixel(x, y)) > 200) {
                    sum += QColor(image.pixel(x, y)).lightness();
                    ++count;
                }
        return count ? sum / count : -1;
    };
    EXPECT_LT(lightness(TrayMeterIcon::Appearance::light), 60);
    EXPECT_GT(lightness(TrayMeterIcon::Appearance::dark), 190);
}

} // namespace
