#include "VantorShared/Meters/TrayMeterIcon.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
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
    using enum TrayMeterIcon::Form;
    store().setString(Key::sensorsReadout, QStringLiteral("power"));
    readings.systemPower = 14.2;
    EXPECT_EQ(TrayMeterIcon::form(S::sensors, readings, false), readout);
    EXPECT_EQ(TrayMeterIcon::signature(S::sensors, &readings, readout), QStringLiteral("readout|14W|"));
    const QImage number = TrayMeterIcon::render(S::sensors, readings, 22, TrayMeterIcon::Appearance::light, readout);
    // Beside a label the icon is the symbol, or the number would show twice.
    EXPECT_EQ(TrayMeterIcon::form(S::sensors, readings, true), meter);

    // Most PCs report no system power: the symbol stands in for the number.
    readings.systemPower.reset();
    EXPECT_EQ(TrayMeterIcon::form(S::sensors, readings, false), meter);
    const QImage symbol = TrayMeterIcon::render(S::sensors, readings, 22, TrayMeterIcon::Appearance::light, meter);
    EXPECT_GT(opaquePixels(symbol, symbol.rect()), 10);
    EXPECT_NE(number, symbol);

    // A long fan speed shrinks to fit instead of being cut off at the edges.
    store().setString(Key::sensorsReadout, QStringLiteral("fan"));
    readings.fanRPM = 12345;
    const QImage fan = TrayMeterIcon::render(S::sensors, readings, 16, TrayMeterIcon::Appearance::dark, readout);
    EXPECT_EQ(opaquePixels(fan, QRect(0, 0, 1, 16)) + opaquePixels(fan, QRect(15, 0, 1, 16)), 0);
}

TEST_F(TrayMeterIconTest, TheReadoutFormShowsTheFiguresOverTheGauge)
{
    using enum TrayMeterIcon::Form;
    store().setString(Key::memoryReadout, QStringLiteral("usage"));
    store().setString(Key::meterShape, QStringLiteral("square"));
    readings.memory = 0.2;
    ASSERT_EQ(TrayMeterIcon::form(S::memory, readings, false), readout);
    for (const int pixels : {16, 22}) {
        const QImage low = TrayMeterIcon::render(S::memory, readings, pixels, TrayMeterIcon::Appearance::dark, readout);
        // Digits fill most of the square's height above the gauge, not a few pixels of it.
        const int underline = std::max(2, int(std::lround(pixels / 8.0)));
        const QRect digits(0, 0, pixels, pixels - underline - 2);
        int top = pixels;
        int bottom = -1;
        for (int y = digits.top(); y <= digits.bottom(); ++y)
            if (opaquePixels(low, QRect(0, y, pixels, 1)) > 0) {
                top = std::min(top, y);
                bottom = y;
            }
        EXPECT_GE(bottom - top + 1, pixels / 2) << pixels << " px";
        // The gauge underneath grows with the usage.
        const QRect gauge(0, pixels - underline - 1, pixels, underline + 1);
        const auto filled = [&](const QImage& image) {
            int accent = 0;
            const QColor colour = MeterSettings::color(MeterAccentSlot::memory);
            for (int y = gauge.top(); y <= gauge.bottom(); ++y)
                for (int x = gauge.left(); x <= gauge.right(); ++x) {
                    const QColor pixel = QColor::fromRgba(image.pixel(x, y));
                    accent += pixel.alpha() > 200 && std::abs(pixel.green() - colour.green()) < 30
                            && std::abs(pixel.blue() - colour.blue()) < 30
                        ? 1
                        : 0;
                }
            return accent;
        };
        readings.memory = 0.9;
        const QImage high
            = TrayMeterIcon::render(S::memory, readings, pixels, TrayMeterIcon::Appearance::dark, readout);
        EXPECT_GT(filled(high), filled(low) + 2) << pixels << " px";
        readings.memory = 0.2;
    }
    // The signature follows the figures as well as the gauge.
    const QString before = TrayMeterIcon::signature(S::memory, &readings, readout);
    readings.memory = 0.21;
    EXPECT_NE(TrayMeterIcon::signature(S::memory, &readings, readout), before);
    // Every size a host may ask for is in the icon.
    const QList<QImage> pictures
        = TrayMeterIcon::pictures(S::memory, readings, TrayMeterIcon::Appearance::light, readout);
    ASSERT_EQ(pictures.size(), qsizetype(TrayMeterIcon::pixelSizes.size()));
    for (qsizetype i = 0; i < pictures.size(); ++i)
        EXPECT_EQ(
            pictures[i].size(), QSize(TrayMeterIcon::pixelSizes[size_t(i)], TrayMeterIcon::pixelSizes[size_t(i)]));
    // Without a readout there is nothing to write: the meter form it is.
    store().setString(Key::memoryReadout, QStringLiteral("off"));
    EXPECT_EQ(TrayMeterIcon::form(S::memory, readings, false), meter);
}

TEST_F(TrayMeterIconTest, LabelsGuidesAndToolTipsFollowTheReadouts)
{
    store().setString(Key::cpuReadout, QStringLiteral("usage"));
    readings.cpu = 0.52;
    readings.cpuCelsius = 48.4;
    EXPECT_EQ(TrayMeterIcon::label(S::cpu, readings), QStringLiteral("52%"));
    EXPECT_EQ(TrayMeterIcon::labelGuide(S::cpu), QStringLiteral("100%"));
    store().setString(Key::cpuReadout, QStringLiteral("temperature"));
    EXPECT_EQ(TrayMeterIcon::labelGuide(S::cpu), QStringLiteral("100°"));
    store().setString(Key::memoryReadout, QStringLiteral("swap"));
    EXPECT_EQ(TrayMeterIcon::labelGuide(S::memory), QStringLiteral("999G"));
    store().setString(Key::storageReadout, QStringLiteral("off"));
    EXPECT_TRUE(TrayMeterIcon::label(S::storage, readings).isEmpty());
    EXPECT_TRUE(TrayMeterIcon::labelGuide(S::storage).isEmpty());

    // A readout this machine has no source for reserves no room; one gone for a moment keeps it.
    ReadoutSources sources;
    sources.cpuTemperature = false;
    sources.swap = false;
    sources.systemPowerNow = false;
    ReadoutSources::setCurrent(sources);
    store().setString(Key::sensorsReadout, QStringLiteral("power"));
    EXPECT_TRUE(TrayMeterIcon::labelGuide(S::cpu).isEmpty());
    EXPECT_TRUE(TrayMeterIcon::labelGuide(S::memory).isEmpty());
    EXPECT_EQ(TrayMeterIcon::labelGuide(S::sensors), QStringLiteral("100W"));
    ReadoutSources::reset();

    // The tooltip names the section, then its key figures one per line; figures the machine
    // does not have are left out.
    const QStringList lines = TrayMeterIcon::toolTip(S::cpu, readings).split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], title(S::cpu));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("52%"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("48°"))) << lines[2].toStdString();
    readings.cpuPower.reset();
    EXPECT_EQ(TrayMeterIcon::toolTip(S::cpu, readings).split(QLatin1Char('\n')).size(), 3);
}

TEST_F(TrayMeterIconTest, LightAndDarkUseTheirOwnLabelColour)
{
    store().setString(Key::sensorsReadout, QStringLiteral("hottest"));
    readings.hottest = 61.0;
    const auto lightness = [this](TrayMeterIcon::Appearance appearance) {
        const QImage image = TrayMeterIcon::render(S::sensors, readings, 32, appearance, TrayMeterIcon::Form::readout);
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
