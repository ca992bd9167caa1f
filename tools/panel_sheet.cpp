// Renders the four section panels with sample readings, light and dark, translucent and opaque,
// into one PNG contact sheet. Translucent panels are laid over a wallpaper-like gradient so the
// material shows. Runs on Qt's offscreen platform and on a throwaway settings suite.
//
//   panel_sheet [output.png] [--bundle path/to/VantorAgent.app] [--scale 2]

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Popovers/MonitorPopover.h"
#include "VantorShared/Panels/StablePopoverMaterial.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeDetailReadings.h"
#include "tools/ToolBundles.h"

#include <QApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct Variant {
    QString appearance;
    QString background;
};

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "panel-sheet");
    qputenv("VANTOR_LANGUAGE", "en");
    QApplication app(argc, argv);

    const auto arguments = ToolBundles::takeSheetArguments("panel_sheet", QStringLiteral("panels.png"), 2, 4);
    if (!arguments)
        return 1;
    const QString output = arguments->output;
    const double scale = arguments->scale;
    SharedSettings::prepareAtLaunch();
    StablePopoverMaterial::overrideTranslucency(true);
    PreferencesDomain& store = SharedSettings::store();
    using namespace SharedSettings;
    store.setString(Key::temperatureUnit, QStringLiteral("celsius"));

    FakeDetailReadings readings;
    readings.fillWithSamples();

    const QList<Variant> variants {{QStringLiteral("light"), QStringLiteral("translucent")},
        {QStringLiteral("light"), QStringLiteral("opaque")}, {QStringLiteral("dark"), QStringLiteral("translucent")},
        {QStringLiteral("dark"), QStringLiteral("opaque")}};
    constexpr int gap = 24;

    // Every panel is rendered first, to know the sheet's size.
    QList<QList<QImage>> rows;
    QList<int> heights;
    for (const MonitorSection section : allMonitorSections) {
        QList<QImage> row;
        int tallest = 0;
        for (const Variant& variant : variants) {
            store.setString(Key::popoverAppearance, variant.appearance);
            store.setString(Key::popoverBackground, variant.background);
            MonitorPopover panel(readings, section, PanelMetrics::steps()[0], std::nullopt, [] {});
            panel.setBlendsWithinWindow(true);
            panel.setAttribute(Qt::WA_DontShowOnScreen);
            panel.show();
            panel.resize(MonitorPopover::panelWidth, panel.requiredHeight());
            QImage image(QSize(int(std::ceil(panel.width() * scale)), int(std::ceil(panel.height() * scale))),
                QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(scale);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            panel.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
            painter.end();
            tallest = std::max(tallest, panel.height());
            row.append(image);
        }
        rows.append(row);
        heights.append(tallest);
    }

    const int width = int(variants.size()) * (MonitorPopover::panelWidth + gap) + gap;
    int height = gap;
    for (const int rowHeight : heights)
        height += rowHeight + gap;
    QImage sheet(
        QSize(int(std::ceil(width * scale)), int(std::ceil(height * scale))), QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(scale);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wallpaper(0, 0, width, height);
    wallpaper.setColorAt(0, QColor(0x2b, 0x5d, 0x8c));
    wallpaper.setColorAt(0.45, QColor(0xc0, 0x6c, 0x84));
    wallpaper.setColorAt(1, QColor(0xf6, 0xb2, 0x6b));
    painter.fillRect(QRectF(0, 0, width, height), wallpaper);
    double top = gap;
    for (qsizetype r = 0; r < rows.size(); top += heights[r] + gap, ++r)
        for (qsizetype c = 0; c < rows[r].size(); ++c) {
            const QPointF at(gap + double(c) * (MonitorPopover::panelWidth + gap), top);
            const QImage& panel = rows[r][c];
            const QSizeF size = panel.deviceIndependentSize();
            painter.fillRect(QRectF(at + QPointF(0, 3), size), QColor(0, 0, 0, 40));
            painter.drawImage(at, panel);
        }
    painter.end();
    if (!sheet.save(output)) {
        QTextStream(stderr) << "panel_sheet: could not write " << output << "\n";
        return 1;
    }
    QTextStream(stdout) << "wrote " << output << "\n";
    return 0;
}
