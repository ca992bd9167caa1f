#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Panels/ByteText.h"
#include "VantorShared/Panels/DenseSection.h"
#include "VantorShared/Panels/MemoryCompositionBar.h"
#include "VantorShared/Panels/MetricProgressBar.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFormat.h"
#include "VantorShared/Panels/PopoverSurface.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/IsolatedSettings.h"

#include <QImage>
#include <QPainter>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(MemoryCompositionBarTest, SharesAreOfTheTotalAndTheRestIsTrack)
{
    const auto widths = MemoryCompositionBar::segmentWidths(0.5, 0.4, 0.3, 0.2, 1000);
    EXPECT_NEAR(widths[0], 357.14, 0.01);
    EXPECT_NEAR(widths[1], 285.71, 0.01);
    EXPECT_NEAR(widths[2], 214.29, 0.01);
    EXPECT_NEAR(widths[3], 142.86, 0.01);

    // A total below 1 is not stretched: free memory that was not counted shows as track.
    const auto small = MemoryCompositionBar::segmentWidths(0.1, 0.2, 0.1, 0.1, 100);
    EXPECT_DOUBLE_EQ(small[0] + small[1] + small[2], 40);
    EXPECT_DOUBLE_EQ(small[3], 60);

    // Garbage never draws outside the bar or backwards.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& w : {MemoryCompositionBar::segmentWidths(nan, -3, 1e300, 0, 100),
             MemoryCompositionBar::segmentWidths(0.5, 0.5, 0.5, 0, -20)}) {
        double sum = 0;
        for (const double part : w) {
            EXPECT_GE(part, 0);
            sum += part;
        }
        EXPECT_LE(sum, 100.0001);
    }
}

TEST(MetricProgressBarTest, FillIsClampedToTheTrack)
{
    EXPECT_DOUBLE_EQ(MetricProgressBar::fillWidth(1.3, 200), 200);
    EXPECT_DOUBLE_EQ(MetricProgressBar::fillWidth(-0.1, 200), 0);
    EXPECT_DOUBLE_EQ(MetricProgressBar::fillWidth(0, 200), 0);
    EXPECT_DOUBLE_EQ(MetricProgressBar::fillWidth(0.25, 200), 50);
    EXPECT_DOUBLE_EQ(MetricProgressBar::fillWidth(std::numeric_limits<double>::quiet_NaN(), 200), 0);
}

class PanelSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bundle::setMainBundlePathForTesting(QStringLiteral(VANTOR_AGENT_BUNDLE));
        SharedSettings::prepareAtLaunch();
    }
    void TearDown() override { Bundle::setMainBundlePathForTesting(QString()); }
    IsolatedSettings settings;
};

TEST_F(PanelSettingsTest, OnlyOpaqueGivesTheSolidSurface)
{
    PopoverSurface surface;
    EXPECT_EQ(surface.effectiveBackground(), QStringLiteral("translucent"));
    EXPECT_TRUE(PopoverSurface::isTranslucent(surface.effectiveBackground()));
    for (const QString& value : {QStringLiteral("Opaque"), QStringLiteral(""), QStringLiteral("solid")}) {
        SharedSettings::store().setString(SharedSettings::Key::popoverBackground, value);
        EXPECT_TRUE(PopoverSurface::isTranslucent(surface.effectiveBackground())) << value.toStdString();
    }
    SharedSettings::store().setString(SharedSettings::Key::popoverBackground, QStringLiteral("opaque"));
    EXPECT_FALSE(PopoverSurface::isTranslucent(surface.effectiveBackground()));
    // A miniature's own choice wins over the stored one.
    surface.setBackground(QStringLiteral("translucent"));
    EXPECT_TRUE(PopoverSurface::isTranslucent(surface.effectiveBackground()));
    EXPECT_TRUE(PopoverSurface::isTranslucent(std::nullopt));
}

TEST(PopoverSurfaceTest, OneVeiledFillLooksLikeTheMaterialUnderItsVeil)
{
    // Against the desktop (Source) and over the window's content (SourceOver), for both schemes
    // and for an opaque material.
    for (const QColor material : {QColor::fromRgbF(0.16f, 0.16f, 0.17f, 0.80f),
             QColor::fromRgbF(0.95f, 0.95f, 0.96f, 0.78f), QColor(236, 236, 236)}) {
        for (const bool source : {true, false}) {
            QImage layered(4, 4, QImage::Format_ARGB32_Premultiplied);
            QImage single(4, 4, QImage::Format_ARGB32_Premultiplied);
            layered.fill(QColor(30, 120, 200, 200));
            single.fill(QColor(30, 120, 200, 200));
            {
                QPainter painter(&layered);
                if (source)
                    painter.setCompositionMode(QPainter::CompositionMode_Source);
                painter.fillRect(layered.rect(), material);
                painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
                painter.fillRect(layered.rect(), QColor::fromRgbF(0, 0, 0, 0.07f));
            }
            {
                QPainter painter(&single);
                if (source)
                    painter.setCompositionMode(QPainter::CompositionMode_Source);
                painter.fillRect(single.rect(), PopoverSurface::veiled(material));
            }
            const QRgb a = layered.pixel(1, 1);
            const QRgb b = single.pixel(1, 1);
            EXPECT_NEAR(qRed(a), qRed(b), 2) << material.name(QColor::HexArgb).toStdString();
            EXPECT_NEAR(qGreen(a), qGreen(b), 2);
            EXPECT_NEAR(qBlue(a), qBlue(b), 2);
            EXPECT_NEAR(qAlpha(a), qAlpha(b), 2);
        }
    }
}

TEST(ByteTextTest, CountingStylesAndClamping)
{
    const QString en = QStringLiteral("en_US");
    EXPECT_EQ(ByteText::format(1500000, ByteText::CountStyle::file, en), QStringLiteral("1.5 MB"));
    EXPECT_EQ(ByteText::format(1500000, ByteText::CountStyle::memory, en), QStringLiteral("1.4 MB"));
    EXPECT_EQ(ByteText::format(qint64(16) << 30, ByteText::CountStyle::memory, en), QStringLiteral("16 GB"));
    EXPECT_EQ(ByteText::format(999, ByteText::CountStyle::file, en), QStringLiteral("999 bytes"));
    // Rounding carries into the next unit instead of showing "1000 KB".
    EXPECT_EQ(ByteText::format(999999, ByteText::CountStyle::file, en), QStringLiteral("1 MB"));
    EXPECT_EQ(ByteText::format(1500000, ByteText::CountStyle::file, QStringLiteral("de_DE")), QStringLiteral("1,5 MB"));
    // Above the signed range the count is clamped, not wrapped to a negative figure.
    const QString huge = ByteText::style(std::numeric_limits<quint64>::max(), ByteText::CountStyle::file);
    EXPECT_FALSE(huge.startsWith(QLatin1Char('-'))) << huge.toStdString();
    EXPECT_EQ(huge, ByteText::style(quint64(std::numeric_limits<qint64>::max()), ByteText::CountStyle::file));
}

TEST_F(PanelSettingsTest, RateIsTheFileCountPerSecondInTheInterfaceLanguage)
{
    qputenv("VANTOR_LANGUAGE", "en");
    EXPECT_EQ(ByteText::rate(1500000), QStringLiteral("1.5 MB/s"));
    qunsetenv("VANTOR_LANGUAGE");
}

TEST(PanelFormatTest, PercentDurationsAndPlaceholders)
{
    EXPECT_EQ(PanelFormat::percent(42, QStringLiteral("en_US")), QStringLiteral("42%"));
    EXPECT_EQ(PanelFormat::percent(42, QStringLiteral("de_DE")), QStringLiteral("42\u00a0%"));
    EXPECT_EQ(PanelFormat::percent(42, QStringLiteral("en_US")), QStringLiteral("42%"));
    EXPECT_EQ(PanelFormat::percent(250, QStringLiteral("en_US")), QStringLiteral("250%"));
    EXPECT_EQ(PanelFormat::number(1.256, 2, QStringLiteral("de_DE")), QStringLiteral("1,26"));
    EXPECT_EQ(PanelFormat::daysHoursMinutes(3 * 86400 + 4 * 3600 + 12 * 60 + 59, QStringLiteral("en_US")),
        QStringLiteral("3d 4h 12m"));
    // Units of value zero are left out; under a minute still says something.
    EXPECT_EQ(PanelFormat::daysHoursMinutes(2 * 86400 + 5 * 60, QStringLiteral("en_US")), QStringLiteral("2d 5m"));
    EXPECT_EQ(PanelFormat::daysHoursMinutes(12, QStringLiteral("en_US")), QStringLiteral("0m"));
    EXPECT_EQ(PanelFormat::daysHoursMinutes(std::nan(""), QStringLiteral("en_US")), QStringLiteral("0m"));
    // The text kept for the minute belongs to its language.
    const double uptime = 3 * 86400 + 4 * 3600 + 12 * 60;
    EXPECT_EQ(PanelFormat::daysHoursMinutes(uptime + 30, QStringLiteral("en_US")), QStringLiteral("3d 4h 12m"));
    // Units are joined as the language joins a list of measures, not always with a space.
    EXPECT_EQ(
        PanelFormat::daysHoursMinutes(uptime, QStringLiteral("de_DE")), QStringLiteral("3 T, 4 Std. und 12 Min."));
    EXPECT_EQ(PanelFormat::daysHoursMinutes(uptime, QStringLiteral("en_US")), QStringLiteral("3d 4h 12m"));

    EXPECT_EQ(PanelFormat::substitute(QStringLiteral("%@ of %@"), {QStringLiteral("1 GB"), QStringLiteral("4 GB")}),
        QStringLiteral("1 GB of 4 GB"));
    EXPECT_EQ(
        PanelFormat::substitute(QStringLiteral("%2$@ : %1$@ (100%%)"), {QStringLiteral("a"), QStringLiteral("b")}),
        QStringLiteral("b : a (100%)"));
    // Missing arguments leave the place empty rather than reading past the list.
    EXPECT_EQ(PanelFormat::substitute(QStringLiteral("%@ %@ %9$@"), {QStringLiteral("x")}), QStringLiteral("x  "));
}

TEST(PanelEnvironmentTest, MetricsReachSectionsBelowTheRoot)
{
    QWidget root;
    auto* layout = new QVBoxLayout(&root);
    auto* section = new DenseSection(QStringLiteral("TITLE"));
    layout->addWidget(section);
    EXPECT_EQ(PanelEnvironment::of(section).metrics, PanelMetrics::steps()[0]);
    EXPECT_EQ(section->rows()->spacing(), 7);

    PanelEnvironment::apply(&root, {PanelMetrics::steps()[3], true});
    EXPECT_EQ(PanelEnvironment::of(section).metrics, PanelMetrics::steps()[3]);
    EXPECT_TRUE(PanelEnvironment::of(section).dark);
    EXPECT_EQ(section->rows()->spacing(), 4);
    EXPECT_EQ(section->rows()->contentsMargins(), QMargins(12, 5, 12, 5));
}

} // namespace
