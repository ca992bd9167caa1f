// Renders the menu bar meters in every style, shape and label style, light and dark, with sample
// readings, into one PNG contact sheet. Runs on Qt's offscreen platform and on a throwaway settings
// suite, so it neither needs a display nor touches the user's settings.
//
//   meter_sheet [output.png] [--bundle path/to/VantorAgent.app] [--scale 2]

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Meters/TrayMeterIcon.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tools/SheetReadings.h"
#include "tools/ToolBundles.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <memory>

namespace {

struct Row {
    QString caption;
    QMap<QString, QString> settings;
};

QPalette barPalette(bool dark)
{
    QPalette palette;
    const QColor plate = dark ? QColor(0x2a, 0x2a, 0x2d) : QColor(0xec, 0xec, 0xee);
    const QColor text = dark ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x1c, 0x1c, 0x1e);
    palette.setColor(QPalette::Window, plate);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, plate);
    palette.setColor(QPalette::Text, text);
    return palette;
}

// One strip of the bar: the four meters left to right with the bar's gap between them.
QImage strip(MenuBarReadings& readings, bool dark, double scale, int width)
{
    QImage image(int(std::ceil(width * scale)), int(std::ceil(24 * scale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    const QPalette palette = barPalette(dark);
    image.fill(palette.color(QPalette::Window));
    QWidget bar;
    bar.setPalette(palette);
    bar.resize(width, 24);
    double x = 8;
    for (const MonitorSection section : allMonitorSections) {
        const int length = int(std::ceil(StatusMetricView::itemWidth(section)));
        auto* view = new StatusMetricView(QRect(int(x), 0, length, 24), section, &bar);
        view->setReadings(&readings);
        x += length + 8;
    }
    QPainter painter(&image);
    bar.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// One strip of a tray: the four square forms at 16, 22 and 32 pixels, each drawn pixel for pixel
// (the sheet's scale enlarges them without smoothing, so every pixel can be judged).
QImage trayStrip(MenuBarReadings& readings, bool dark, double scale, int width)
{
    QImage image(int(std::ceil(width * scale)), int(std::ceil(36 * scale)), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(barPalette(dark).color(QPalette::Window));
    QPainter painter(&image);
    const auto appearance = dark ? TrayMeterIcon::Appearance::dark : TrayMeterIcon::Appearance::light;
    double x = 8;
    for (const int pixels : {16, 22, 32}) {
        for (const MonitorSection section : allMonitorSections) {
            const QImage icon = TrayMeterIcon::render(section, readings, pixels, appearance);
            painter.drawImage(QRectF(x, (36 - pixels) / 2.0, pixels, pixels), icon);
            x += pixels + 6;
        }
        x += 10;
    }
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "meter-sheet");
    QApplication app(argc, argv);

    const auto arguments = ToolBundles::takeSheetArguments("meter_sheet", QStringLiteral("meters.png"), 2, 4);
    if (!arguments)
        return 1;
    const QString output = arguments->output;
    const double scale = arguments->scale;
    SharedSettings::prepareAtLaunch();
    StatusMetricView::overrideCoreCount(10);
    PreferencesDomain& store = SharedSettings::store();
    using namespace SharedSettings;

    QList<Row> rows;
    for (const QString& style : {QStringLiteral("bars"), QStringLiteral("wave"), QStringLiteral("compact")})
        for (const QString& shape : {QStringLiteral("pill"), QStringLiteral("square")})
            for (const QString& label : {QStringLiteral("icons"), QStringLiteral("letters")})
                rows.append({style + QStringLiteral(" · ") + shape + QStringLiteral(" · ") + label,
                    {{Key::meterStyle, style}, {Key::meterShape, shape}, {Key::meterLabelStyle, label}}});
    rows.append({QStringLiteral("usage · pressure · free · hottest"),
        {{Key::cpuReadout, QStringLiteral("usage")}, {Key::memoryReadout, QStringLiteral("pressure")},
            {Key::storageReadout, QStringLiteral("free")}, {Key::sensorsReadout, QStringLiteral("hottest")}}});
    rows.append({QStringLiteral("power · swap · usage · fan, accents"),
        {{Key::cpuReadout, QStringLiteral("power")}, {Key::memoryReadout, QStringLiteral("swap")},
            {Key::sensorsReadout, QStringLiteral("fan")}, {Key::cpuAccent, QStringLiteral("blue")},
            {Key::cpuFastCoreAccent, QStringLiteral("amber")}, {Key::memoryAccent, QStringLiteral("purple")},
            {Key::storageAccent, QStringLiteral("teal")}}});
    rows.append({QStringLiteral("no readouts · gpu"),
        {{Key::cpuReadout, QStringLiteral("off")}, {Key::memoryReadout, QStringLiteral("off")},
            {Key::storageReadout, QStringLiteral("off")}, {Key::sensorsReadout, QStringLiteral("gpu")},
            {Key::meterStyle, QStringLiteral("compact")}}});

    SheetReadings readings;
    readings.cpu = 0.42;
    readings.cpuCelsius = 52.4;
    readings.gpuCelsius = 47.0;
    readings.systemPower = 14.2;
    const QStringList touched {Key::meterStyle, Key::meterShape, Key::meterLabelStyle, Key::cpuReadout,
        Key::memoryReadout, Key::storageReadout, Key::sensorsReadout, Key::cpuAccent, Key::cpuFastCoreAccent,
        Key::memoryAccent, Key::storageAccent};
    const QStringList accentDefaults {Key::cpuAccent, Key::cpuFastCoreAccent, Key::memoryAccent, Key::storageAccent};
    QMap<QString, QVariant> initial;
    for (const QString& key : accentDefaults)
        initial.insert(key, store.objectForKey(key));

    const int stripWidth = 390;
    const int captionWidth = 230;
    const int rowHeight = 36;
    const int margin = 16;
    const int header = 34;
    const int width = margin + captionWidth + 2 * (stripWidth + margin);
    QList<Row> trayRows;
    for (const QString& style : {QStringLiteral("bars"), QStringLiteral("wave"), QStringLiteral("compact")})
        trayRows.append({QStringLiteral("tray · ") + style + QStringLiteral(" · pill"), {{Key::meterStyle, style}}});
    trayRows.append({QStringLiteral("tray · bars · square · hottest"),
        {{Key::meterShape, QStringLiteral("square")}, {Key::sensorsReadout, QStringLiteral("hottest")}}});
    trayRows.append({QStringLiteral("tray · accents · fan"),
        {{Key::sensorsReadout, QStringLiteral("fan")}, {Key::cpuAccent, QStringLiteral("blue")},
            {Key::cpuFastCoreAccent, QStringLiteral("amber")}, {Key::memoryAccent, QStringLiteral("purple")},
            {Key::storageAccent, QStringLiteral("teal")}}});
    const int trayHeader = 30;
    const int height = header + int(rows.size()) * rowHeight + trayHeader + int(trayRows.size()) * rowHeight + margin;
    QImage sheet(int(width * scale), int(height * scale), QImage::Format_ARGB32_Premultiplied);
    sheet.setDevicePixelRatio(scale);
    sheet.fill(QColor(0xf7, 0xf7, 0xf8));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont captionFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    captionFont.setPixelSize(12);
    QFont headerFont = captionFont;
    headerFont.setBold(true);
    painter.setPen(QColor(0x3a, 0x3a, 0x3c));
    painter.setFont(headerFont);
    painter.drawText(QPointF(margin, 22), QStringLiteral("style · shape · labels"));
    painter.drawText(QPointF(margin + captionWidth, 22), QStringLiteral("light"));
    painter.drawText(QPointF(margin + captionWidth + stripWidth + margin, 22), QStringLiteral("dark"));

    int y = header;
    for (const Row& row : rows) {
        for (const QString& key : touched)
            store.removeObjectForKey(key);
        for (const QString& key : accentDefaults)
            store.setObject(key, initial.value(key));
        for (auto it = row.settings.cbegin(); it != row.settings.cend(); ++it)
            store.setString(it.key(), it.value());
        painter.setFont(captionFont);
        painter.setPen(QColor(0x3a, 0x3a, 0x3c));
        painter.drawText(QPointF(margin, y + 16), row.caption);
        for (int column = 0; column < 2; ++column) {
            const QImage image = strip(readings, column == 1, scale, stripWidth);
            painter.drawImage(QPointF(margin + captionWidth + column * (stripWidth + margin), y), image);
        }
        y += rowHeight;
    }

    // The square forms for desktop trays, at 16, 22 and 32 pixels.
    painter.setFont(headerFont);
    painter.setPen(QColor(0x3a, 0x3a, 0x3c));
    painter.drawText(QPointF(margin, y + 20), QStringLiteral("tray · 16, 22, 32 px"));
    y += trayHeader;
    for (const Row& row : trayRows) {
        for (const QString& key : touched)
            store.removeObjectForKey(key);
        for (const QString& key : accentDefaults)
            store.setObject(key, initial.value(key));
        for (auto it = row.settings.cbegin(); it != row.settings.cend(); ++it)
            store.setString(it.key(), it.value());
        painter.setFont(captionFont);
        painter.setPen(QColor(0x3a, 0x3a, 0x3c));
        painter.drawText(QPointF(margin, y + 16), row.caption);
        for (int column = 0; column < 2; ++column) {
            const QImage image = trayStrip(readings, column == 1, scale, stripWidth);
            painter.drawImage(QPointF(margin + captionWidth + column * (stripWidth + margin), y), image);
        }
        y += rowHeight;
    }
    painter.end();
    if (!sheet.save(output)) {
        QTextStream(stderr) << "meter_sheet: cannot write " << output << "\n";
        return 1;
    }
    QTextStream(stdout) << "wrote " << output << "\n";
    return 0;
}
