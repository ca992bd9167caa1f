#include "VantorAgent/Machines/MachinesTrayIcon.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/IsolatedSettings.h"
#include "tests/support/PrometheusAnswers.h"
#include "tests/support/PrometheusFixtureServer.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

using Form = TrayMeterIcon::Form;
using Level = MachineThresholds::Level;
using Appearance = MachinesTrayIcon::Appearance;

// Pixels close to `color`, as an antialiased glyph or dot leaves some of them.
int pixelsNear(const QImage& image, const QColor& color)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = QColor::fromRgba(image.pixel(x, y));
            if (pixel.alpha() > 200 && std::abs(pixel.red() - color.red()) < 24
                && std::abs(pixel.green() - color.green()) < 24 && std::abs(pixel.blue() - color.blue()) < 24)
                ++count;
        }
    return count;
}

TEST(MachinesTrayIconTest, TheWorstMachinesColourShowsInBothForms)
{
    IsolatedSettings isolated;
    SharedSettings::registerDefaults();
    const MachinesTrayIcon::Face calm {QStringLiteral("42%"), Level::normal};
    const MachinesTrayIcon::Face warning {QStringLiteral("2"), Level::warning};
    const MachinesTrayIcon::Face critical {QStringLiteral("1"), Level::critical};
    const QColor orange = PanelColors::orange(true);
    const QColor red = PanelColors::red(true);

    const QList<QImage> pictures = MachinesTrayIcon::pictures(warning, Appearance::dark, Form::readout);
    ASSERT_EQ(pictures.size(), qsizetype(TrayMeterIcon::pixelSizes.size()));
    for (qsizetype i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(
            pictures[i].size(), QSize(TrayMeterIcon::pixelSizes[size_t(i)], TrayMeterIcon::pixelSizes[size_t(i)]));
        // The digits carry the colour at every size, the smallest included.
        EXPECT_GT(pixelsNear(pictures[i], orange), 0) << pictures[i].width();
    }
    EXPECT_EQ(pixelsNear(MachinesTrayIcon::render(calm, 22, Appearance::dark, Form::readout), orange), 0);

    // Beside a label the icon is the symbol, with a dot only while a machine needs attention.
    EXPECT_GT(pixelsNear(MachinesTrayIcon::render(critical, 22, Appearance::dark, Form::meter), red), 0);
    EXPECT_EQ(pixelsNear(MachinesTrayIcon::render(calm, 22, Appearance::dark, Form::meter), red), 0);
    EXPECT_EQ(pixelsNear(MachinesTrayIcon::render(calm, 22, Appearance::dark, Form::meter), orange), 0);

    // The signature follows what is drawn: the text only matters in the readout form.
    EXPECT_NE(MachinesTrayIcon::signature(calm, Form::readout),
        MachinesTrayIcon::signature({QStringLiteral("43%"), Level::normal}, Form::readout));
    EXPECT_EQ(MachinesTrayIcon::signature(calm, Form::meter),
        MachinesTrayIcon::signature({QStringLiteral("43%"), Level::normal}, Form::meter));
    EXPECT_NE(MachinesTrayIcon::signature(calm, Form::meter), MachinesTrayIcon::signature(warning, Form::meter));
    EXPECT_EQ(MachinesTrayIcon::form(true), Form::meter);
    EXPECT_EQ(MachinesTrayIcon::form(false), Form::readout);
}

TEST(MachinesTrayIconTest, TheTooltipNamesAFewMachinesAndCountsTheRest)
{
    IsolatedSettings isolated;
    SharedSettings::registerDefaults();
    PrometheusFixtureServer server;
    QList<PrometheusAnswers::Sample> samples;
    for (const char* name : {"a<i>", "b", "c", "d", "e", "f"})
        samples.append(PrometheusAnswers::machine(QString::fromLatin1(name) + QStringLiteral(":9100"), {{"up", "0"}}));
    samples.append(PrometheusAnswers::machine(QStringLiteral("g:9100"), {{"up", "1"}, {"cpu", "0.3"}}));
    server.answer(PrometheusAnswers::vector(samples));
    SharedSettings::store().setString(SharedSettings::Key::machinesServer, server.baseURL().toString());
    FakeSecretStore secrets;
    MachinesMonitor monitor(secrets);
    EXPECT_EQ(MachinesTrayIcon::toolTipText(monitor), QStringLiteral("Asking the server…"));
    monitor.applySettings();
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.hasAnswered(); }, 10000));
    const QStringList lines = MachinesTrayIcon::toolTipText(monitor).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 7) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("7 machines found"));
    // Names from the network are not markup to the tray.
    EXPECT_EQ(lines[1], QStringLiteral("a&lt;i&gt;:9100 is down"));
    EXPECT_EQ(lines[4], QStringLiteral("d:9100 is down"));
    EXPECT_EQ(lines[5], QStringLiteral("and 2 more"));
    EXPECT_EQ(lines[6], QStringLiteral("Busiest: g:9100, CPU 30%"));

    // Without figures the tooltip says why.
    PrometheusFixtureServer refusing;
    refusing.answer({}, 401);
    SharedSettings::store().setString(SharedSettings::Key::machinesServer, refusing.baseURL().toString());
    MachinesMonitor refused(secrets);
    refused.applySettings();
    ASSERT_TRUE(QTest::qWaitFor([&] { return refused.hasAnswered(); }, 10000));
    EXPECT_EQ(MachinesTrayIcon::toolTipText(refused), QStringLiteral("The server refused the credentials (401)."));
}

} // namespace
