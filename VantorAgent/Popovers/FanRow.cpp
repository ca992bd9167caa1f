#include "VantorAgent/Popovers/FanRow.h"

#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/Units.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"
#include "VantorShared/Panels/PanelFormat.h"

#include <QPainter>

#include <cmath>

FanRow::FanRow(const FanReading& fan, QWidget* parent)
    : SensorRow(QStringLiteral("wind"), QString(), QString(), parent)
{
    setFan(fan);
}

QString FanRow::rangeText(const FanReading& fan)
{
    const std::optional<double> load = fan.load();
    if (!load || !std::isfinite(*load))
        return {};
    return PanelFormat::percent(int(std::lround(*load * 100)));
}

void FanRow::setFan(const FanReading& fan)
{
    // Numbered by the fan's position among the fans, as the sensor keys number them (F0Ac is
    // "Fan 0").
    setTitle(AppLanguage::string(QStringLiteral("Fan %lld"))
                 .replace(QStringLiteral("%lld"), QString::number(qint64(fan.index))));
    const QString rpm = Units::rpm(fan.rpm);
    const QString range = rangeText(fan);
    if (rpm != m_rpm || range != m_range) {
        m_rpm = rpm;
        m_range = range;
        update();
    }
}

void FanRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    paintLeading(painter, dark);
    painter.setFont(PanelFonts::digits(10));
    painter.setPen(PanelColors::primaryLabel(dark));
    painter.drawText(QRect(valueRight(), 0, rpmColumn, height()), Qt::AlignVCenter | Qt::AlignRight, m_rpm);
    painter.setPen(PanelColors::secondaryLabel(dark));
    painter.drawText(
        QRect(width() - rangeColumn, 0, rangeColumn, height()), Qt::AlignVCenter | Qt::AlignRight, m_range);
}
