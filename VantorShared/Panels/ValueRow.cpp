#include "VantorShared/Panels/ValueRow.h"

#include "VantorShared/Panels/ByteText.h"
#include "VantorShared/Panels/PanelColors.h"
#include "VantorShared/Panels/PanelEnvironment.h"
#include "VantorShared/Panels/PanelFonts.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

ValueRow::ValueRow(QString title, QString value, std::optional<QColor> color, QWidget* parent)
    : QWidget(parent)
    , m_title(std::move(title))
    , m_value(std::move(value))
    , m_color(std::move(color))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

ValueRow::ValueRow(QString title, quint64 bytes, std::optional<QColor> color, QWidget* parent)
    : ValueRow(std::move(title), ByteText::memory(bytes), std::move(color), parent)
{
}

void ValueRow::setTitle(const QString& title)
{
    if (m_title == title)
        return;
    m_title = title;
    update();
}

void ValueRow::setValue(const QString& value)
{
    if (m_value == value)
        return;
    m_value = value;
    update();
}

void ValueRow::setBytes(quint64 bytes)
{
    setValue(ByteText::memory(bytes));
}

void ValueRow::setColor(std::optional<QColor> color)
{
    if (m_color == color)
        return;
    m_color = std::move(color);
    update();
}

void ValueRow::setValueColor(std::optional<QColor> color)
{
    if (m_valueColor == color)
        return;
    m_valueColor = std::move(color);
    update();
}

QSize ValueRow::sizeHint() const
{
    return {200, QFontMetrics(PanelFonts::text(10)).height()};
}

void ValueRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = PanelEnvironment::of(this).dark;
    double x = 0;
    if (m_color) {
        QPainterPath swatch;
        swatch.addRoundedRect(QRectF(0, (height() - 7) / 2.0, 7, 7), 1, 1);
        painter.fillPath(swatch, *m_color);
        x = 7 + 6;
    }
    const QFont valueFont = PanelFonts::digits(10, QFont::Normal);
    painter.setPen(m_valueColor.value_or(PanelColors::primaryLabel(dark)));
    const QRectF valueRect(x, 0, width() - x, height());
    const qreal valueWidth = m_valueLine.width(m_value, valueFont);
    m_valueLine.draw(painter, valueRect, Qt::AlignRight, m_value, valueFont);
    painter.setPen(PanelColors::secondaryLabel(dark));
    // The title is cut to whole pixels, as the room beside the value is.
    const QRectF titleRect(x, 0, std::floor(std::max(0.0, valueRect.right() - valueWidth - x - 6)), height());
    m_titleLine.draw(painter, titleRect, Qt::AlignLeft, m_title, PanelFonts::text(10), true);
}
