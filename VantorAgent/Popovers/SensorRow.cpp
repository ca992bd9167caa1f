#include "VantorAgent/Popovers/SensorRow.h"

#include "VantorShared/Meters/SymbolImages.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"

#include <QFontMetrics>
#include <QPainter>

SensorRow::SensorRow(QString icon, QString title, QString value, QWidget* parent)
    : QWidget(parent)
    , m_icon(std::move(icon))
    , m_title(std::move(title))
    , m_value(std::move(value))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SensorRow::setIcon(const QString& icon)
{
    if (m_icon != icon) {
        m_icon = icon;
        update();
    }
}

void SensorRow::setTitle(const QString& title)
{
    if (m_title != title) {
        m_title = title;
        update();
    }
}

void SensorRow::setValue(const QString& value)
{
    if (m_value != value) {
        m_value = value;
        update();
    }
}

void SensorRow::setValueColor(std::optional<QColor> color)
{
    if (m_valueColor != color) {
        m_valueColor = std::move(color);
        update();
    }
}

QSize SensorRow::sizeHint() const
{
    return {200, std::max(13, QFontMetrics(PanelFonts::text(10)).height())};
}

void SensorRow::paintLeading(QPainter& painter, bool dark)
{
    const QImage symbol = SymbolImages::cached(m_icon, 9, PanelColors::headerBlue(dark), devicePixelRatioF());
    if (!symbol.isNull()) {
        const QSizeF size = symbol.deviceIndependentSize();
        painter.drawImage(QPointF((13 - size.width()) / 2, (height() - size.height()) / 2), symbol);
    }
    painter.setFont(PanelFonts::text(10));
    painter.setPen(PanelColors::secondaryLabel(dark));
    painter.drawText(QRect(17, 0, std::max(0, valueRight() - 17), height()), Qt::AlignVCenter | Qt::AlignLeft, m_title);
}

void SensorRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    paintLeading(painter, dark);
    painter.setFont(PanelFonts::digits(10));
    painter.setPen(m_valueColor.value_or(PanelColors::primaryLabel(dark)));
    painter.drawText(QRect(0, 0, valueRight(), height()), Qt::AlignVCenter | Qt::AlignRight, m_value);
}
