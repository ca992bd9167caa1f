#include "VantorAgent/Popovers/LoadAverageItem.h"

#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

LoadAverageItem::LoadAverageItem(QString title, QColor color, QWidget* parent)
    : QWidget(parent)
    , m_title(std::move(title))
    , m_color(color)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void LoadAverageItem::setValue(const QString& value)
{
    if (m_value == value)
        return;
    m_value = value;
    update();
}

void LoadAverageItem::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}

QSize LoadAverageItem::sizeHint() const
{
    const QFontMetrics title(PanelFonts::text(10));
    const QFontMetrics value(PanelFonts::digits(10, QFont::Medium));
    return {7 + 5 + title.horizontalAdvance(m_title) + 6
            + std::max(value.horizontalAdvance(QStringLiteral("00.00")), value.horizontalAdvance(m_value)),
        title.height()};
}

void LoadAverageItem::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    QPainterPath swatch;
    swatch.addRoundedRect(QRectF(0, (height() - 7) / 2.0, 7, 7), 1, 1);
    painter.fillPath(swatch, m_color);
    const QRectF textRect(12, 0, width() - 12, height());
    painter.setPen(PanelColors::secondaryLabel(dark));
    m_titleLine.draw(painter, textRect, Qt::AlignLeft, m_title, PanelFonts::text(10));
    painter.setPen(PanelColors::primaryLabel(dark));
    m_valueLine.draw(painter, textRect, Qt::AlignRight, m_value, PanelFonts::digits(10, QFont::Medium));
}
