#include "Vantor/Preview/TrayPreviewView.h"

#include "Vantor/Pages/SettingsColors.h"
#include "VantorShared/Meters/MenuBarReadings.h"
#include "VantorShared/Meters/MeterSettings.h"
#include "VantorShared/Meters/ReadoutSources.h"
#include "VantorShared/Meters/StatusMetricView.h"

#include <QFontMetrics>
#include <QPainter>

#include <cmath>

namespace {

// A gap between an icon and its label, as trays leave one.
constexpr int labelGap = 3;

QFont labelFont(const QFont& base)
{
    QFont font = base;
    font.setPixelSize(13);
    return font;
}

} // namespace

TrayPreviewView::TrayPreviewView(MenuBarReadings& readings, QWidget* parent)
    : QWidget(parent)
    , m_readings(readings)
    , m_showsLabels(TrayMeterIcon::desktopShowsLabels())
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TrayPreviewView::setShowsLabels(bool shows)
{
    if (shows == m_showsLabels)
        return;
    m_showsLabels = shows;
    updateGeometry();
    update();
}

QList<MonitorSection> TrayPreviewView::sections() const
{
    QList<MonitorSection> shown;
    for (const MonitorSection section : MeterSettings::menuBarOrder())
        // As in the tray: a meter this machine has nothing for is not shown.
        if (MeterSettings::showsItem(section) && ReadoutSources::current().hasSource(section))
            shown.append(section);
    return shown;
}

TrayMeterIcon::Form TrayPreviewView::form(MonitorSection section) const
{
    return TrayMeterIcon::form(section, m_readings, m_showsLabels);
}

int TrayPreviewView::labelWidth(MonitorSection section) const
{
    if (!m_showsLabels)
        return 0;
    const QString label = TrayMeterIcon::label(section, m_readings);
    if (label.isEmpty())
        return 0;
    // The guide keeps the width steady as the figures change, as the tray does.
    const QFontMetrics metrics(labelFont(font()));
    const int guide = metrics.horizontalAdvance(TrayMeterIcon::labelGuide(section));
    return labelGap + std::max(guide, metrics.horizontalAdvance(label));
}

QSize TrayPreviewView::sizeHint() const
{
    int width = 0;
    for (const MonitorSection section : sections())
        width += (width ? spacing : 0) + iconSize + labelWidth(section);
    return {width, iconSize};
}

void TrayPreviewView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const auto appearance
        = SettingsColors::isDark(palette()) ? TrayMeterIcon::Appearance::dark : TrayMeterIcon::Appearance::light;
    const double ratio = devicePixelRatioF();
    const int pixels = int(std::lround(iconSize * ratio));
    painter.setFont(labelFont(font()));
    painter.setPen(StatusMetricView::primaryLabelColor(appearance));
    int x = 0;
    for (const MonitorSection section : sections()) {
        QImage picture = TrayMeterIcon::render(section, m_readings, pixels, appearance, form(section));
        picture.setDevicePixelRatio(ratio);
        painter.drawImage(QPoint(x, (height() - iconSize) / 2), picture);
        x += iconSize;
        if (const int room = labelWidth(section); room > 0) {
            painter.drawText(QRect(x + labelGap, 0, room - labelGap, height()), Qt::AlignLeft | Qt::AlignVCenter,
                TrayMeterIcon::label(section, m_readings));
            x += room;
        }
        x += spacing;
    }
}
