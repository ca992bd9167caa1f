#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Popovers/CPUDetailView.h"
#include "VantorAgent/Popovers/CoreCompactGraph.h"
#include "VantorAgent/Popovers/FanRow.h"
#include "VantorAgent/Popovers/HardwareUtilizationRow.h"
#include "VantorAgent/Popovers/LoadAverageGraph.h"
#include "VantorAgent/Popovers/MemoryDetailView.h"
#include "VantorAgent/Popovers/MonitorPopover.h"
#include "VantorAgent/Popovers/ProcessMetricRow.h"
#include "VantorAgent/Popovers/SensorRow.h"
#include "VantorAgent/Popovers/SensorsDetailView.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Panels/DenseSection.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/ValueRow.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeDetailReadings.h"
#include "tests/support/IsolatedSettings.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>

#include <gtest/gtest.h>

namespace {

class DetailViewsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("VANTOR_LANGUAGE", "en");
        Bundle::setMainBundlePathForTesting(QStringLiteral(VANTOR_AGENT_BUNDLE));
        SharedSettings::prepareAtLaunch();
        SharedSettings::store().setString(SharedSettings::Key::popoverAppearance, QStringLiteral("light"));
        SharedSettings::store().setString(SharedSettings::Key::temperatureUnit, QStringLiteral("celsius"));
        readings.fillWithSamples();
    }
    void TearDown() override
    {
        Bundle::setMainBundlePathForTesting(QString());
        qunsetenv("VANTOR_LANGUAGE");
    }
    std::unique_ptr<MonitorPopover> open(MonitorSection section)
    {
        return std::make_unique<MonitorPopover>(readings, section, PanelMetrics::steps()[0], std::nullopt, [] {});
    }

    IsolatedSettings settings;
    FakeDetailReadings readings;
};

TEST_F(DetailViewsTest, TemperaturesTurnOrangeAt85AndRedAt95)
{
    EXPECT_EQ(SensorsDetailView::heat(84.99), SensorsDetailView::Heat::normal);
    EXPECT_EQ(SensorsDetailView::heat(85.0), SensorsDetailView::Heat::warm);
    EXPECT_EQ(SensorsDetailView::heat(94.99), SensorsDetailView::Heat::warm);
    EXPECT_EQ(SensorsDetailView::heat(95.0), SensorsDetailView::Heat::hot);

    readings.groups = {{SensorCategory::cpu, 85.0}, {SensorCategory::gpu, 95.0}, {SensorCategory::ambient, 40}};
    auto panel = open(MonitorSection::sensors);
    auto* view = static_cast<SensorsDetailView*>(panel->detailView());
    ASSERT_EQ(view->temperatureRows().size(), 3);
    EXPECT_EQ(view->temperatureRows()[0]->valueColor(), PanelColors::orange(false));
    EXPECT_EQ(view->temperatureRows()[1]->valueColor(), PanelColors::red(false));
    EXPECT_FALSE(view->temperatureRows()[2]->valueColor().has_value());
    EXPECT_EQ(view->temperatureRows()[0]->title(), QStringLiteral("CPU"));
    EXPECT_EQ(view->temperatureRows()[0]->value(), QStringLiteral("85.0°C"));
    EXPECT_FALSE(view->noSensorsLabel()->isVisibleTo(view));
}

TEST_F(DetailViewsTest, SensorsPanelWithoutSensorsOrBattery)
{
    readings.groups.clear();
    readings.batteryInfo.reset();
    readings.fanList.clear();
    auto panel = open(MonitorSection::sensors);
    auto* view = static_cast<SensorsDetailView*>(panel->detailView());
    EXPECT_TRUE(view->temperatureRows().isEmpty());
    EXPECT_TRUE(view->noSensorsLabel()->isVisibleTo(view));
    EXPECT_EQ(view->noSensorsLabel()->text(), QStringLiteral("No readable temperature sensors"));
    EXPECT_FALSE(view->batterySection()->isVisibleTo(view));

    // Readings arrive later: the panel follows without being rebuilt.
    readings.batteryInfo = BatteryInfo {50, 90, 10, 12.1, 1.2, true, true, false, std::nullopt};
    readings.groups = {{SensorCategory::cpu, 40}};
    readings.publish();
    EXPECT_TRUE(view->batterySection()->isVisibleTo(view));
    EXPECT_FALSE(view->noSensorsLabel()->isVisibleTo(view));
    ASSERT_NE(view->batteryRow(QStringLiteral("Status")), nullptr);
    EXPECT_EQ(view->batteryRow(QStringLiteral("Status"))->value(), QStringLiteral("Charging"));
    EXPECT_EQ(view->batteryRow(QStringLiteral("Time Left")), nullptr);

    readings.batteryInfo->minutesRemaining = 135;
    readings.publish();
    ASSERT_NE(view->batteryRow(QStringLiteral("Time Left")), nullptr);
    EXPECT_EQ(view->batteryRow(QStringLiteral("Time Left"))->value(), QStringLiteral("2h 15m"));
}

TEST_F(DetailViewsTest, BatteryStatusAndFanRange)
{
    BatteryInfo battery;
    EXPECT_EQ(SensorsDetailView::batteryStatus(battery), QStringLiteral("Discharging"));
    battery.isPluggedIn = true;
    EXPECT_EQ(SensorsDetailView::batteryStatus(battery), QStringLiteral("Power Adapter"));
    battery.isFullyCharged = true;
    EXPECT_EQ(SensorsDetailView::batteryStatus(battery), QStringLiteral("Fully Charged"));
    battery.isCharging = true;
    EXPECT_EQ(SensorsDetailView::batteryStatus(battery), QStringLiteral("Charging"));

    EXPECT_EQ(FanRow::rangeText(FanReading {QStringLiteral("F0"), 0, 3500, 1000, 6000}), QStringLiteral("50%"));
    EXPECT_EQ(FanRow::rangeText(FanReading {QStringLiteral("F0"), 0, 9000, 1000, 6000}), QStringLiteral("100%"));
    EXPECT_EQ(FanRow::rangeText(FanReading {QStringLiteral("F0"), 0, 3500, 6000, 6000}), QString());
    EXPECT_EQ(FanRow::rangeText(FanReading {QStringLiteral("F0"), 0, 3500, std::nullopt, 6000}), QString());
}

TEST_F(DetailViewsTest, CoreBarsTurnOrangeAt82PercentAndStayInsideTheGraph)
{
    EXPECT_TRUE(CoreCompactGraph::isBusy(0.82));
    EXPECT_FALSE(CoreCompactGraph::isBusy(0.819));
    EXPECT_DOUBLE_EQ(CoreCompactGraph::barHeight(0.5, 70), 29);
    EXPECT_DOUBLE_EQ(CoreCompactGraph::barHeight(0, 70), 1.5);
    for (const PanelMetrics& metrics : PanelMetrics::steps())
        EXPECT_LE(CoreCompactGraph::barHeight(1.0, metrics.usageGraphHeight), metrics.usageGraphHeight - 8);
    EXPECT_DOUBLE_EQ(CoreCompactGraph::barHeight(1.4, 70), 58);
}

TEST_F(DetailViewsTest, LoadGraphIsScaledToTheCoreCount)
{
    const QList<double> load {2, 2, 2};
    const QList<double> none;
    EXPECT_DOUBLE_EQ(LoadAverageGraph::scale(LoadAverageGraph::peak({&load, &none, &none}), 10), 10);
    const QRgb red = qRgba(255, 0, 0, 255);
    QImage image(100, 50, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    LoadAverageGraph::drawLine(image, QRectF(0, 0, 100, 50), load, 10, red, 1.5);
    // At one fifth of the height from the bottom (y = 40), 1.5 pixels thick across the width.
    for (const int x : {0, 50, 99}) {
        EXPECT_EQ(qAlpha(image.pixel(x, 38)), 0);
        EXPECT_NEAR(qAlpha(image.pixel(x, 39)), 191, 1);
        EXPECT_NEAR(qAlpha(image.pixel(x, 40)), 191, 1);
        EXPECT_EQ(qAlpha(image.pixel(x, 41)), 0);
    }
    // A peak above the cores becomes the top.
    const QList<double> busy {4, 16};
    EXPECT_DOUBLE_EQ(LoadAverageGraph::scale(LoadAverageGraph::peak({&load, &busy, &none}), 10), 16);

    // A zigzag covers about as much as a painter's stroke of the same width, and no column of the
    // canvas is left without the line (steep stretches stay joined).
    const QList<double> zigzag {0, 9, 1, 8, 2, 10, 0, 5, 5, 3};
    QImage columns(120, 60, QImage::Format_ARGB32_Premultiplied);
    columns.fill(Qt::transparent);
    LoadAverageGraph::drawLine(columns, QRectF(4, 4, 112, 52), zigzag, 10, red, 1.5);
    QImage stroked(120, 60, QImage::Format_ARGB32_Premultiplied);
    stroked.fill(Qt::transparent);
    {
        QPainter painter(&stroked);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(red), 1.5, Qt::SolidLine, Qt::FlatCap));
        QPolygonF polyline;
        for (qsizetype i = 0; i < zigzag.size(); ++i)
            polyline << QPointF(4 + 112.0 * double(i) / double(zigzag.size() - 1), 56 - zigzag[i] / 10 * 52);
        painter.drawPolyline(polyline);
    }
    double columnsAlpha = 0;
    double strokedAlpha = 0;
    for (int x = 0; x < 120; ++x) {
        int inColumn = 0;
        for (int y = 0; y < 60; ++y) {
            columnsAlpha += qAlpha(columns.pixel(x, y));
            strokedAlpha += qAlpha(stroked.pixel(x, y));
            inColumn += qAlpha(columns.pixel(x, y));
        }
        if (x >= 4 && x < 116)
            EXPECT_GT(inColumn, 0) << x;
        else
            EXPECT_EQ(inColumn, 0) << x;
    }
    EXPECT_NEAR(columnsAlpha / strokedAlpha, 1.0, 0.15);

    QImage untouched(10, 10, QImage::Format_ARGB32_Premultiplied);
    untouched.fill(Qt::transparent);
    LoadAverageGraph::drawLine(untouched, QRectF(0, 0, 10, 10), {1.0}, 10, red, 1.5);
    EXPECT_EQ(qAlpha(untouched.pixel(5, 5)), 0);
    EXPECT_EQ(qAlpha(untouched.pixel(5, 9)), 0);
}

TEST_F(DetailViewsTest, CPUPanelRowsAndPlainCoreCountWithoutTiers)
{
    readings.user = 0.424;
    readings.system = 0.111;
    auto panel = open(MonitorSection::cpu);
    auto* view = static_cast<CPUDetailView*>(panel->detailView());
    EXPECT_EQ(view->row(QStringLiteral("User"))->value(), QStringLiteral("42%"));
    EXPECT_EQ(view->row(QStringLiteral("System"))->value(), QStringLiteral("11%"));
    EXPECT_EQ(view->row(QStringLiteral("Idle"))->value(), QStringLiteral("47%"));
    EXPECT_EQ(view->row(QStringLiteral("Cores"))->value(), QStringLiteral("4 Performance + 6 Efficiency"));
    EXPECT_EQ(view->row(QStringLiteral("Uptime"))->value(), QStringLiteral("3d 4h 12m"));
    ASSERT_EQ(view->processRows().size(), readings.cpuProcesses.size());
    EXPECT_EQ(view->processRows()[0]->value(), QStringLiteral("38.5%"));

    readings.tiers.clear();
    readings.coreCount = 8;
    readings.gpu.reset();
    readings.cpuCelsius.reset();
    readings.cpuProcesses.removeLast();
    readings.publish();
    EXPECT_EQ(view->row(QStringLiteral("Cores"))->value(), QStringLiteral("8"));
    EXPECT_EQ(view->row(QStringLiteral("Device"))->value(), QStringLiteral("Unavailable"));
    EXPECT_EQ(view->processRows().size(), readings.cpuProcesses.size());
}

TEST_F(DetailViewsTest, MemoryPanelSwapText)
{
    auto panel = open(MonitorSection::memory);
    auto* view = panel->detailView();
    bool found = false;
    for (auto* row : view->findChildren<ValueRow*>())
        if (row->title() == QStringLiteral("Used")) {
            EXPECT_EQ(row->value(), QStringLiteral("819.2 MB of 4 GB"));
            found = true;
        }
    EXPECT_TRUE(found);
}

TEST_F(DetailViewsTest, WhatThisMachineCanNeverShowIsLeftOutAndMomentaryGapsStay)
{
    // No GPU at all, and a driver that reports no renderer or tiler figures.
    readings.gpu.reset();
    readings.gpuRenderer.reset();
    readings.gpuTiler.reset();
    readings.gpuInUse.reset();
    readings.gpuAllocated.reset();
    readings.gpuCelsius.reset();
    readings.powerList = {{PowerChannel::system, 14.2}, {PowerChannel::cpu, 6.4}};
    readings.cpuPower = 6.456;
    auto cpuPanel = open(MonitorSection::cpu);
    auto* cpu = static_cast<CPUDetailView*>(cpuPanel->detailView());
    for (const char* title : {"Device", "Renderer", "Tiler"})
        EXPECT_EQ(cpu->row(QString::fromLatin1(title)), nullptr) << title;
    for (auto* section : cpu->findChildren<DenseSection*>()) {
        if (section->titleLabel() && section->titleLabel()->text() == QStringLiteral("GPU")) {
            EXPECT_FALSE(section->isVisibleTo(cpu));
        }
    }
    for (auto* row : cpu->findChildren<HardwareUtilizationRow*>())
        EXPECT_NE(row->isVisibleTo(cpu), row->title() == QStringLiteral("GPU")) << row->title().toStdString();
    // Processor power with two fraction digits.
    ASSERT_NE(cpu->row(QStringLiteral("Power")), nullptr);
    EXPECT_EQ(cpu->row(QStringLiteral("Power"))->value(), Units::watts(6.456, 2));
    EXPECT_TRUE(cpu->row(QStringLiteral("Power"))->value().contains(QStringLiteral("6.46")));

    // The GPU appears: its utilisation shows, the figures Linux never reports still do not; a
    // figure missing for a moment afterwards keeps its row.
    readings.gpu = 0.2;
    readings.publish();
    ASSERT_NE(cpu->row(QStringLiteral("Device")), nullptr);
    EXPECT_EQ(cpu->row(QStringLiteral("Renderer")), nullptr);
    readings.gpu.reset();
    readings.publish();
    ASSERT_NE(cpu->row(QStringLiteral("Device")), nullptr);
    EXPECT_EQ(cpu->row(QStringLiteral("Device"))->value(), QStringLiteral("Unavailable"));

    // No swap configured: no "0 bytes of 0 bytes" and no paging that can never move.
    readings.swap = 0;
    readings.swapSize = 0;
    auto memoryPanel = open(MonitorSection::memory);
    for (auto* row : memoryPanel->detailView()->findChildren<ValueRow*>()) {
        if (row->title() == QStringLiteral("Used") || row->title() == QStringLiteral("Page Ins")) {
            EXPECT_FALSE(row->isVisibleTo(memoryPanel->detailView())) << row->title().toStdString();
        }
    }
    readings.swapSize = quint64(1) << 30;
    readings.publish();
    bool shown = false;
    for (auto* row : memoryPanel->detailView()->findChildren<ValueRow*>())
        shown = shown || (row->title() == QStringLiteral("Used") && row->isVisibleTo(memoryPanel->detailView()));
    EXPECT_TRUE(shown);

    // Fans are numbered from 0, as their keys number them.
    auto sensorsPanel = open(MonitorSection::sensors);
    const auto fans = sensorsPanel->detailView()->findChildren<FanRow*>();
    ASSERT_EQ(fans.size(), 1);
    EXPECT_EQ(fans[0]->title(), QStringLiteral("Fan 0"));
}

TEST_F(DetailViewsTest, HeadingsAreCapitalisedByTheLanguageSoAccentsStay)
{
    EXPECT_EQ(DenseSection::heading(QStringLiteral("Mémoire d’échange"), QStringLiteral("fr")),
        QStringLiteral("MÉMOIRE D’ÉCHANGE"));
    EXPECT_EQ(DenseSection::heading(QStringLiteral("écriture"), QStringLiteral("fr")), QStringLiteral("ÉCRITURE"));
    EXPECT_EQ(DenseSection::heading(QStringLiteral("Lüfter"), QStringLiteral("de")), QStringLiteral("LÜFTER"));
    EXPECT_EQ(DenseSection::heading(QStringLiteral("USAGE"), QStringLiteral("en")), QStringLiteral("USAGE"));
}

TEST_F(DetailViewsTest, PanelIs300WideAndScrollsOnlyWhenAsked)
{
    auto panel = open(MonitorSection::cpu);
    EXPECT_EQ(panel->width(), 300);
    EXPECT_FALSE(panel->scrollArea()->isVisibleTo(panel.get()));
    const int roomy = panel->requiredHeight();
    panel->setFit(PanelMetrics::steps()[3], std::nullopt);
    const int dense = panel->requiredHeight();
    EXPECT_LT(dense, roomy);

    panel->setFit(PanelMetrics::steps()[3], 200);
    EXPECT_TRUE(panel->scrollArea()->isVisibleTo(panel.get()));
    EXPECT_EQ(panel->scrollArea()->height(), 200);
    EXPECT_EQ(panel->requiredHeight(), 200 + 74);
    // A scroll height that is no number is held at 0.
    panel->setFit(PanelMetrics::steps()[3], -std::numeric_limits<double>::infinity());
    EXPECT_EQ(panel->scrollableHeight(), 0.0);
    panel->setFit(PanelMetrics::steps()[0], std::nullopt);
    EXPECT_EQ(panel->requiredHeight(), roomy);
}

TEST_F(DetailViewsTest, AppearanceSetting)
{
    EXPECT_FALSE(MonitorPopover::prefersDark(QStringLiteral("light")));
    EXPECT_TRUE(MonitorPopover::prefersDark(QStringLiteral("dark")));
    EXPECT_EQ(MonitorPopover::prefersDark(QStringLiteral("sepia")), MonitorPopover::desktopIsDark());
    SharedSettings::store().setString(SharedSettings::Key::popoverAppearance, QStringLiteral("dark"));
    EXPECT_TRUE(open(MonitorSection::storage)->isDark());
}

} // namespace
