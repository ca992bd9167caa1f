#include "VantorShared/Meters/StatusMetricView.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Meters/MeterAccent.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeReadings.h"
#include "tests/support/IsolatedSettings.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace SharedSettings;

namespace {

constexpr int pixelsPerPoint = 4;

QColor accent(MeterAccent::Preset preset)
{
    return MeterAccent(preset).color();
}

bool near(const QColor& a, const QColor& b, int tolerance = 10)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

// A rendered meter, probed in the meter's own coordinates: points, origin at the bottom left.
struct Picture {
    QImage image;
    double height;
    QColor at(double x, double y) const
    {
        const QColor color = image.pixelColor(int(x * pixelsPerPoint), int((height - y) * pixelsPerPoint));
        return color;
    }
    bool blankAt(double x, double y) const { return at(x, y).alpha() == 0; }
    bool isBlank() const
    {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y).alpha() != 0)
                    return false;
        return true;
    }
};

class StatusMetricViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bundle::setMainBundlePathForTesting(QStringLiteral(VANTOR_AGENT_BUNDLE));
        StatusMetricView::resetCachesForTesting();
        SharedSettings::prepareAtLaunch();
        store().setString(Key::temperatureUnit, QStringLiteral("celsius"));
    }
    void TearDown() override
    {
        StatusMetricView::overrideCoreCount(0);
        StatusMetricView::resetCachesForTesting();
        Bundle::setMainBundlePathForTesting(QString());
    }

    static PreferencesDomain& store() { return SharedSettings::store(); }

    Picture render(MonitorSection section, bool dark = false, MenuBarReadings* source = nullptr)
    {
        const int width = int(std::ceil(StatusMetricView::itemWidth(section)));
        StatusMetricView view(QRect(0, 0, width, 24), section);
        if (dark) {
            QPalette palette;
            palette.setColor(QPalette::Window, QColor(30, 30, 32));
            palette.setColor(QPalette::WindowText, QColor(240, 240, 240));
            view.setPalette(palette);
        }
        view.setReadings(source ? source : &readings);
        QImage image(width * pixelsPerPoint, 24 * pixelsPerPoint, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(pixelsPerPoint);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        painter.end();
        return {image, 24};
    }

    static double meterX(MonitorSection section)
    {
        return StatusMetricView::labelWidth(section) + 1 + StatusMetricView::meterSideGap(section);
    }

    IsolatedSettings settings;
    FakeReadings readings;
};

TEST_F(StatusMetricViewTest, CoreBarsStopAtTheFrameAndColourOnlyTheFastCoresThatFit)
{
    StatusMetricView::overrideCoreCount(10);
    store().setString(Key::meterShape, QStringLiteral("square"));
    readings.cores = QList<double>(12, 1.0);
    readings.performanceCores = 4;
    EXPECT_DOUBLE_EQ(StatusMetricView::cpuBarsMeterWidth(10), 62);

    const Picture picture = render(MonitorSection::cpu);
    const double x0 = meterX(MonitorSection::cpu);
    const QColor normal = accent(MeterAccent::Preset::signal);
    const QColor fast = accent(MeterAccent::Preset::indigo);
    for (int i = 0; i < 10; ++i) {
        const QColor color = picture.at(x0 + 2 + i * 5.9 + 2.45, 12);
        EXPECT_TRUE(near(color, i >= 8 ? fast : normal)) << "bar " << i << " is " << color.name().toStdString();
    }
    // Where bar 10 would be, past the frame, nothing is drawn.
    EXPECT_TRUE(picture.blankAt(x0 + 2 + 10 * 5.9 + 2.45, 12));

    readings.performanceCores = 0;
    const Picture allNormal = render(MonitorSection::cpu);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(near(allNormal.at(x0 + 2 + i * 5.9 + 2.45, 12), normal)) << "bar " << i;
}

TEST_F(StatusMetricViewTest, ZeroUsageStillDrawsTheSmallestBarGaugeAndCompactFill)
{
    StatusMetricView::overrideCoreCount(4);
    store().setString(Key::meterShape, QStringLiteral("square"));
    readings.cores = {0, 0, 0, 0};
    readings.memory = 0;
    readings.cpu = 0;
    const QColor signal = accent(MeterAccent::Preset::signal);

    // A core bar at 0 is 1.5 high, from 2 above the frame's bottom at 1.5.
    const Picture bars = render(MonitorSection::cpu);
    const double barX = meterX(MonitorSection::cpu) + 2 + 2.45;
    EXPECT_TRUE(near(bars.at(barX, 3.5 + 0.7), signal));
    EXPECT_TRUE(bars.blankAt(barX, 3.5 + 3));

    // A gauge at 0 shows a 2-point fill at its bottom.
    const Picture gauge = render(MonitorSection::memory);
    const double gaugeX = meterX(MonitorSection::memory) + 4;
    EXPECT_TRUE(near(gauge.at(gaugeX, 3.5 + 1), signal));
    EXPECT_TRUE(gauge.blankAt(gaugeX, 3.5 + 4));

    // The compact bar at 0 is 2 wide.
    store().setString(Key::meterStyle, QStringLiteral("compact"));
    const Picture compact = render(MonitorSection::cpu);
    const double compactX = meterX(MonitorSection::cpu) + 1.5;
    EXPECT_TRUE(near(compact.at(compactX + 1, 12), signal));
    EXPECT_TRUE(compact.blankAt(compactX + 5, 12));
}

TEST_F(StatusMetricViewTest, GaugeFillsUpwardFromTheBottomInItsAccent)
{
    store().setString(Key::memoryAccent, QStringLiteral("amber"));
    readings.memory = 0.5; // 8 of the 16 points above the inset
    const Picture picture = render(MonitorSection::memory);
    const double x = meterX(MonitorSection::memory) + 4;
    EXPECT_TRUE(near(picture.at(x, 3.5 + 1), accent(MeterAccent::Preset::amber)));
    EXPECT_TRUE(near(picture.at(x, 3.5 + 7), accent(MeterAccent::Preset::amber)));
    EXPECT_TRUE(picture.blankAt(x, 3.5 + 10));
    EXPECT_TRUE(picture.blankAt(x, 19));
}

TEST_F(StatusMetricViewTest, WaveNeedsTwoSamples)
{
    store().setString(Key::meterStyle, QStringLiteral("wave"));
    const double inside = meterX(MonitorSection::cpu) + 23;
    readings.history = {1.0};
    EXPECT_TRUE(render(MonitorSection::cpu).blankAt(inside, 10));
    readings.history = {1.0, 1.0};
    QColor expected = accent(MeterAccent::Preset::signal);
    const QColor drawn = render(MonitorSection::cpu).at(inside, 10);
    // Drawn at 0.85 opacity over nothing.
    EXPECT_NEAR(drawn.alphaF(), 0.85, 0.02);
    expected.setAlphaF(drawn.alphaF());
    EXPECT_TRUE(near(drawn, expected));
}

TEST_F(StatusMetricViewTest, NothingIsDrawnWithoutReadings)
{
    auto gone = std::make_unique<FakeReadings>();
    StatusMetricView view(QRect(0, 0, 60, 24), MonitorSection::memory);
    view.setReadings(gone.get());
    EXPECT_FALSE(view.drawSignature().isEmpty());
    gone.reset();
    EXPECT_EQ(view.readings(), nullptr);
    EXPECT_TRUE(view.drawSignature().isEmpty());

    QImage image(60, 24, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    EXPECT_TRUE((Picture {image, 24}.isBlank()));
}

TEST_F(StatusMetricViewTest, LabelAndReadoutFollowTheAppearance)
{
    store().setString(Key::memoryReadout, QStringLiteral("usage"));
    readings.memory = 1.0; // "100%"
    const auto darkest = [](const Picture& picture, double fromX) {
        int low = 255, high = 0;
        for (int y = 0; y < picture.image.height(); ++y)
            for (int x = int(fromX * pixelsPerPoint); x < picture.image.width(); ++x) {
                const QColor c = picture.image.pixelColor(x, y);
                if (c.alpha() > 150) {
                    low = std::min(low, c.lightness());
                    high = std::max(high, c.lightness());
                }
            }
        return std::make_pair(low, high);
    };
    const double readoutX = meterX(MonitorSection::memory) + 8.4;
    const Picture light = render(MonitorSection::memory, false);
    const Picture dark = render(MonitorSection::memory, true);
    EXPECT_LT(darkest(light, readoutX).first, 60);
    EXPECT_EQ(darkest(light, readoutX).second < 100, true);
    EXPECT_GT(darkest(dark, readoutX).first, 190);

    // The symbol is rendered for each appearance, not reused from the other one.
    const auto symbolLightness = [](const Picture& picture) {
        int total = 0, count = 0;
        for (int y = 0; y < picture.image.height(); ++y)
            for (int x = 0; x < 14 * pixelsPerPoint; ++x) {
                const QColor c = picture.image.pixelColor(x, y);
                if (c.alpha() > 150) {
                    total += c.lightness();
                    ++count;
                }
            }
        return count ? total / count : -1;
    };
    EXPECT_LT(symbolLightness(light), 60);
    EXPECT_GT(symbolLightness(dark), 190);
    EXPECT_EQ(render(MonitorSection::memory, false).image, light.image);
}

TEST_F(StatusMetricViewTest, ReadoutTexts)
{
    EXPECT_EQ(StatusMetricView::percentText(1.7), QStringLiteral("100%"));
    EXPECT_EQ(StatusMetricView::percentText(-0.2), QStringLiteral("0%"));
    EXPECT_EQ(StatusMetricView::percentText(0.425), QStringLiteral("43%"));
    EXPECT_EQ(StatusMetricView::percentText(std::nan("")), QStringLiteral("0%"));

    const double gib = 1073741824.0;
    EXPECT_EQ(StatusMetricView::bytesText(5 * gib), QStringLiteral("5.0G"));
    EXPECT_EQ(StatusMetricView::bytesText(9.95 * gib), QStringLiteral("10G"));
    EXPECT_EQ(StatusMetricView::bytesText(9.9 * gib), QStringLiteral("9.9G"));
    EXPECT_EQ(StatusMetricView::bytesText(1000 * gib), QStringLiteral("1.0T"));
    EXPECT_FALSE(StatusMetricView::bytesText(std::nullopt));

    // Defaults: cpu temperature, sensors power, memory and storage usage (registered legacy flag).
    EXPECT_EQ(StatusMetricView::cpuReadoutText(readings), QStringLiteral("52°"));
    EXPECT_EQ(StatusMetricView::sensorsReadoutText(readings), QStringLiteral("14W"));
    EXPECT_EQ(StatusMetricView::memoryReadoutText(readings), QStringLiteral("64%"));
    EXPECT_EQ(StatusMetricView::storageReadoutText(readings), QStringLiteral("58%"));

    store().setString(Key::cpuReadout, QStringLiteral("power"));
    store().setString(Key::memoryReadout, QStringLiteral("swap"));
    store().setString(Key::storageReadout, QStringLiteral("free"));
    store().setString(Key::sensorsReadout, QStringLiteral("fan"));
    readings.swap = quint64(1.3 * gib);
    readings.available = qint64(212 * gib);
    EXPECT_EQ(StatusMetricView::cpuReadoutText(readings), QStringLiteral("8W"));
    EXPECT_EQ(StatusMetricView::memoryReadoutText(readings), QStringLiteral("1.3G"));
    EXPECT_EQ(StatusMetricView::storageReadoutText(readings), QStringLiteral("212G"));
    EXPECT_EQ(StatusMetricView::sensorsReadoutText(readings), QStringLiteral("2180"));

    // Absent values give no text; a value that is not finite never stops the program.
    readings.cpuPower.reset();
    readings.fanRPM = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(StatusMetricView::cpuReadoutText(readings));
    EXPECT_TRUE(StatusMetricView::sensorsReadoutText(readings));
    store().setString(Key::sensorsReadout, QStringLiteral("gpu"));
    EXPECT_EQ(StatusMetricView::sensorsReadoutText(readings), QStringLiteral("47°"));
    store().setString(Key::sensorsReadout, QStringLiteral("hottest"));
    EXPECT_EQ(StatusMetricView::sensorsReadoutText(readings), QStringLiteral("61°"));
    store().setString(Key::memoryReadout, QStringLiteral("bogus"));
    store().setBool(Key::showMemoryPercent, false);
    EXPECT_FALSE(StatusMetricView::memoryReadoutText(readings));
}

TEST_F(StatusMetricViewTest, ItemWidths)
{
    StatusMetricView::overrideCoreCount(10);
    const double cpuIcon = StatusMetricView::iconSize(MonitorSection::cpu).width();
    const double sensorIcon = StatusMetricView::iconSize(MonitorSection::sensors).width();
    const double memoryIcon = StatusMetricView::iconSize(MonitorSection::memory).width();
    EXPECT_GT(cpuIcon, 0);
    EXPECT_NE(cpuIcon, 13); // the shipped symbol, not the fallback

    // cpu: bars of 10 cores, temperature readout (27) with the icon gap of 5.
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::cpu), 62 + (cpuIcon + 1 + 5) + (27 + 5) + 1);
    EXPECT_DOUBLE_EQ(StatusMetricView::cpuReadoutWidth(), 32);
    store().setString(Key::meterLabelStyle, QStringLiteral("letters"));
    store().setString(Key::meterStyle, QStringLiteral("wave"));
    store().setString(Key::cpuReadout, QStringLiteral("usage"));
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::cpu), 46 + (6 + 1 + 3) + (33 + 3) + 1);
    // sensors with letters: the sensor symbol follows the letters.
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::sensors), 6 + 1 + 3 + sensorIcon + (33 + 3) + 1);
    store().setString(Key::meterLabelStyle, QStringLiteral("icons"));

    // memory: usage by the registered legacy flag.
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::memory), memoryIcon + 1 + 5 + 8.4 + (33 + 5) + 1);
    // The icons-only sensors item is just the symbol.
    store().setString(Key::sensorsReadout, QStringLiteral("off"));
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::sensors), sensorIcon + 2);
}

TEST_F(StatusMetricViewTest, AReadoutWithoutASourceTakesNoRoomAndOneMissingForAMomentKeepsIt)
{
    const double sensorIcon = StatusMetricView::iconSize(MonitorSection::sensors).width();
    const double memoryIcon = StatusMetricView::iconSize(MonitorSection::memory).width();
    store().setString(Key::sensorsReadout, QStringLiteral("fan"));
    store().setString(Key::memoryReadout, QStringLiteral("swap"));
    // Missing for a moment: the room stays, so the bar does not jump.
    readings.fanRPM.reset();
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::sensors), sensorIcon + 1 + (29 + 5) + 1);
    EXPECT_FALSE(StatusMetricView::sensorsReadoutText(readings));

    // A machine without fans and without swap: the chosen readouts stay chosen but take no room
    // and draw nothing (not "0.0G" for swap that does not exist).
    ReadoutSources none {false, false, false, false, false, false};
    none.swap = false;
    ReadoutSources::setCurrent(none);
    readings.fanRPM = 2000;
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::sensors), sensorIcon + 2);
    EXPECT_FALSE(StatusMetricView::sensorsReadoutText(readings));
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::memory), memoryIcon + 1 + 5 + 8.4 + 1);
    EXPECT_FALSE(StatusMetricView::memoryReadoutText(readings));
    EXPECT_EQ(store().stringForKey(Key::sensorsReadout), QStringLiteral("fan"));

    // A laptop on mains: the battery's draw has no figure now, so the default power readout
    // falls back to the hottest temperature instead of leaving a gap.
    store().removeObjectForKey(Key::sensorsReadout);
    ReadoutSources laptop;
    laptop.systemPowerNow = false;
    ReadoutSources::setCurrent(laptop);
    readings.systemPower.reset();
    EXPECT_EQ(StatusMetricView::sensorsReadoutText(readings), QStringLiteral("61°"));
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::sensors), sensorIcon + 1 + (27 + 5) + 1);
    laptop.systemPowerNow = true;
    ReadoutSources::setCurrent(laptop);
    readings.systemPower = 14;
    EXPECT_EQ(StatusMetricView::sensorsReadoutText(readings), QStringLiteral("14W"));
    ReadoutSources::reset();
}

TEST_F(StatusMetricViewTest, MemoryWithoutReadoutOrLegacyFlagHasNoRoomForText)
{
    // A store where nothing at all is registered or stored for the legacy flag.
    IsolatedSettings bare(QStringLiteral("bare.suite"));
    StatusMetricView::resetCachesForTesting();
    const double icon = StatusMetricView::iconSize(MonitorSection::memory).width();
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::memory), icon + 1 + 5 + 8.4 + 1);
    EXPECT_FALSE(StatusMetricView::memoryReadoutText(readings));
    SharedSettings::registerDefaults();
    EXPECT_EQ(StatusMetricView::memoryReadoutText(readings), QStringLiteral("64%"));
}

TEST_F(StatusMetricViewTest, MissingSymbolsLayOutAsThirteenPointsAndDrawNoLabel)
{
    Bundle::setMainBundlePathForTesting(settings.path());
    StatusMetricView::resetCachesForTesting();
    store().setString(Key::sensorsReadout, QStringLiteral("off"));
    EXPECT_EQ(StatusMetricView::iconSize(MonitorSection::sensors), QSizeF(13, 13));
    EXPECT_DOUBLE_EQ(StatusMetricView::itemWidth(MonitorSection::sensors), 15);
    EXPECT_TRUE(render(MonitorSection::sensors).isBlank());
}

TEST_F(StatusMetricViewTest, SignaturesChangeAtTheMetersResolution)
{
    StatusMetricView memory(QRect(0, 0, 60, 24), MonitorSection::memory);
    StatusMetricView storage(QRect(0, 0, 60, 24), MonitorSection::storage);
    StatusMetricView cpu(QRect(0, 0, 120, 24), MonitorSection::cpu);
    StatusMetricView sensors(QRect(0, 0, 60, 24), MonitorSection::sensors);
    for (StatusMetricView* view : {&memory, &storage, &cpu, &sensors})
        view->setReadings(&readings);

    // Gauges move in steps of 1/400; the readout is part of the signature.
    readings.memory = 0.5;
    readings.storage = 0.5;
    readings.pressure = 0.5;
    store().setString(Key::memoryReadout, QStringLiteral("pressure"));
    QString memoryBefore = memory.drawSignature();
    const QString storageBefore = storage.drawSignature();
    readings.memory = 0.5 + 0.001;
    readings.storage = 0.5 + 0.001;
    EXPECT_EQ(memory.drawSignature(), memoryBefore);
    EXPECT_EQ(storage.drawSignature(), storageBefore);
    readings.memory = 0.5 + 1.0 / 400;
    readings.storage = 0.5 + 1.0 / 400;
    EXPECT_NE(memory.drawSignature(), memoryBefore);
    EXPECT_NE(storage.drawSignature(), storageBefore);
    memoryBefore = memory.drawSignature();
    readings.pressure = 0.9;
    EXPECT_NE(memory.drawSignature(), memoryBefore);

    // The compact bar moves in steps of 1/200.
    store().setString(Key::cpuReadout, QStringLiteral("off"));
    store().setString(Key::meterStyle, QStringLiteral("compact"));
    readings.cpu = 0.5;
    const QString compact = cpu.drawSignature();
    readings.cpu = 0.5 + 1.0 / 400;
    EXPECT_EQ(cpu.drawSignature(), compact);
    readings.cpu = 0.5 + 1.0 / 200;
    EXPECT_NE(cpu.drawSignature(), compact);

    // Core bars move in steps of 1/33, and a changed core count changes the picture.
    store().setString(Key::meterStyle, QStringLiteral("bars"));
    readings.cores = {0.5, 0.5};
    const QString bars = cpu.drawSignature();
    readings.cores = {0.5, 0.5 + 1.0 / 100};
    EXPECT_EQ(cpu.drawSignature(), bars);
    readings.cores = {0.5, 0.5 + 1.0 / 33};
    EXPECT_NE(cpu.drawSignature(), bars);
    readings.cores = {0.5, 0.5, 0.0};
    EXPECT_NE(cpu.drawSignature(), bars);

    // The wave follows any change of the history; an unknown style draws bars.
    store().setString(Key::meterStyle, QStringLiteral("wave"));
    const QString wave = cpu.drawSignature();
    readings.history.append(0.3);
    EXPECT_NE(cpu.drawSignature(), wave);
    store().setString(Key::meterStyle, QStringLiteral("sparkles"));
    EXPECT_TRUE(cpu.drawSignature().startsWith(QStringLiteral("cpu|bars|")));

    // Sensors change only with their text; values that are not finite still sign.
    EXPECT_EQ(sensors.drawSignature(), QStringLiteral("sensors|14W"));
    readings.systemPower = 14.4;
    EXPECT_EQ(sensors.drawSignature(), QStringLiteral("sensors|14W"));
    readings.memory = std::nan("");
    EXPECT_FALSE(memory.drawSignature().isEmpty());
}

} // namespace

TEST_F(StatusMetricViewTest, AReadoutSeenBeforeIsDrawnAsAFreshViewDrawsIt)
{
    store().setString(Key::memoryReadout, QStringLiteral("usage"));
    const MonitorSection section = MonitorSection::memory;
    const int width = int(std::ceil(StatusMetricView::itemWidth(section)));
    StatusMetricView kept(QRect(0, 0, width, 24), section);
    kept.setReadings(&readings);
    const auto draw = [&](StatusMetricView& view) {
        QImage image(width * pixelsPerPoint, 24 * pixelsPerPoint, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(pixelsPerPoint);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        return image;
    };
    // More distinct texts than the view keeps laid out, then back to old ones.
    for (const double value : {0.12, 0.13, 0.12, 0.5, 0.61, 0.7, 0.8, 0.9, 0.99, 0.12, 0.13, 0.9}) {
        readings.memory = value;
        EXPECT_EQ(draw(kept), render(section).image) << value;
    }
}
