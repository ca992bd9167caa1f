// Renders the agent's tray items as trays show them: the machines meter (with two machines that
// need attention) and the four sections' square icons at 16, 22 and 32 pixels, light and dark,
// with the readout as a label beside a meter icon (trays that show labels) and drawn into the icon
// itself (trays that do not). Every icon is drawn pixel for pixel and enlarged without smoothing,
// so each pixel can be judged. Runs on Qt's offscreen platform and on a throwaway settings suite.
//
//   tray_sheet [output.png] [--bundle path/to/VantorAgent.app] [--scale 3]

#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachinesTrayIcon.h"
#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/Meters/StatusMetricView.h"
#include "VantorShared/Meters/TrayMeterIcon.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tools/SheetReadings.h"
#include "tools/ToolBundles.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>

namespace {

QColor panelColour(bool dark)
{
    return dark ? QColor(0x24, 0x24, 0x27) : QColor(0xee, 0xee, 0xf0);
}

QColor textColour(bool dark)
{
    return StatusMetricView::primaryLabelColor(
        dark ? StatusMetricView::Appearance::dark : StatusMetricView::Appearance::light);
}

// One stretch of a tray at `pixels`: the machines item, then the four sections, each its icon and,
// with labels, the label. Drawn at one image pixel per screen pixel; the caller enlarges it.
QImage trayStrip(const MenuBarReadings& readings, int pixels, bool dark, bool labels)
{
    const auto appearance = dark ? TrayMeterIcon::Appearance::dark : TrayMeterIcon::Appearance::light;
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(std::max(9, int(std::lround(pixels * 0.6))));
    const QFontMetrics metrics(font);
    const int pad = std::max(4, pixels / 4);

    struct Item {
        QImage icon;
        QString label;
        QString guide;
    };
    QList<Item> items;
    const MachinesTrayIcon::Face machines {QStringLiteral("2"), MachineThresholds::Level::warning};
    items.append({MachinesTrayIcon::render(machines, pixels, appearance, MachinesTrayIcon::form(labels)), machines.text,
        MachinesTrayIcon::labelGuide()});
    for (const MonitorSection section : allMonitorSections) {
        const TrayMeterIcon::Form form = TrayMeterIcon::form(section, readings, labels);
        items.append({TrayMeterIcon::render(section, readings, pixels, appearance, form),
            TrayMeterIcon::label(section, readings), TrayMeterIcon::labelGuide(section)});
    }
    int width = pad;
    for (const Item& item : items) {
        width += pixels + pad;
        if (labels && !item.label.isEmpty())
            width += metrics.horizontalAdvance(item.guide) + 2;
    }
    QImage image(width, pixels + 2 * pad, QImage::Format_ARGB32_Premultiplied);
    image.fill(panelColour(dark));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(textColour(dark));
    int x = pad;
    for (const Item& item : items) {
        painter.drawImage(QPoint(x, pad), item.icon);
        x += pixels;
        if (labels && !item.label.isEmpty()) {
            const int room = metrics.horizontalAdvance(item.guide) + 2;
            painter.drawText(QRect(x + 2, pad, room, pixels), Qt::AlignLeft | Qt::AlignVCenter, item.label);
            x += room;
        }
        x += pad;
    }
    return image;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "tray-sheet");
    QApplication app(argc, argv);

    const auto arguments = ToolBundles::takeSheetArguments("tray_sheet", QStringLiteral("tray.png"), 3, 6);
    if (!arguments)
        return 1;
    const QString output = arguments->output;
    const int scale = int(arguments->scale);
    SharedSettings::prepareAtLaunch();
    StatusMetricView::overrideCoreCount(10);
    PreferencesDomain& store = SharedSettings::store();
    store.setString(SharedSettings::Key::cpuReadout, QStringLiteral("usage"));
    store.setString(SharedSettings::Key::memoryReadout, QStringLiteral("usage"));
    store.setString(SharedSettings::Key::storageReadout, QStringLiteral("free"));
    store.setString(SharedSettings::Key::sensorsReadout, QStringLiteral("power"));
    SheetReadings readings;

    // Rows: with labels, then without, at each size; columns: light, dark.
    struct Cell {
        QImage light;
        QImage dark;
        QString caption;
    };
    QList<Cell> rows;
    for (const bool labels : {true, false})
        for (const int pixels : {16, 22, 32})
            rows.append({trayStrip(readings, pixels, false, labels), trayStrip(readings, pixels, true, labels),
                QStringLiteral("%1 px · %2")
                    .arg(pixels)
                    .arg(labels ? QStringLiteral("label beside the icon") : QStringLiteral("readout in the icon"))});
    const int margin = 16;
    const int captionWidth = 190;
    int column = 0;
    int height = margin + 22;
    for (const Cell& row : rows) {
        column = std::max(column, row.light.width() * scale);
        height += row.light.height() * scale + 10;
    }
    const int width = margin + captionWidth + 2 * (column + margin);
    QImage sheet(width, height + margin, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xf7, 0xf7, 0xf8));
    QPainter painter(&sheet);
    QFont captionFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    captionFont.setPixelSize(13);
    QFont headerFont = captionFont;
    headerFont.setBold(true);
    painter.setPen(QColor(0x3a, 0x3a, 0x3c));
    painter.setFont(headerFont);
    painter.drawText(QPointF(margin, margin + 12), QStringLiteral("tray"));
    painter.drawText(QPointF(margin + captionWidth, margin + 12), QStringLiteral("light"));
    painter.drawText(QPointF(margin + captionWidth + column + margin, margin + 12), QStringLiteral("dark"));
    int y = margin + 22;
    painter.setFont(captionFont);
    for (const Cell& row : rows) {
        const int rowHeight = row.light.height() * scale;
        painter.drawText(QRect(margin, y, captionWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, row.caption);
        // Enlarged pixel for pixel: no smoothing.
        painter.drawImage(QRect(margin + captionWidth, y, row.light.width() * scale, rowHeight), row.light);
        painter.drawImage(
            QRect(margin + captionWidth + column + margin, y, row.dark.width() * scale, rowHeight), row.dark);
        y += rowHeight + 10;
    }
    painter.end();
    if (!sheet.save(output)) {
        QTextStream(stderr) << "tray_sheet: cannot write " << output << "\n";
        return 1;
    }
    QTextStream(stdout) << "wrote " << output << "\n";
    return 0;
}
