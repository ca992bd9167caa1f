#include "VantorShared/Panels/LineText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

void LineText::prepare(const QString& text, const QFont& font, qreal elideWidth)
{
    if (m_prepared && m_text == text && m_elideWidth == elideWidth && m_font == font)
        return;
    m_text = text;
    m_font = font;
    m_elideWidth = elideWidth;
    const QString shown = elideWidth >= 0 ? QFontMetricsF(font).elidedText(text, Qt::ElideRight, elideWidth) : text;
    m_layout.setTextFormat(Qt::PlainText);
    m_layout.setPerformanceHint(QStaticText::AggressiveCaching);
    m_layout.setText(shown);
    m_layout.prepare(QTransform(), font);
    m_lineHeight = QFontMetricsF(font).height();
    m_prepared = true;
}

qreal LineText::width(const QString& text, const QFont& font)
{
    prepare(text, font, -1);
    return m_layout.size().width();
}

void LineText::draw(
    QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QString& text, const QFont& font, bool elide)
{
    prepare(text, font, elide ? std::max<qreal>(0, rect.width()) : -1);
    if (m_layout.text().isEmpty())
        return;
    const QSizeF size = m_layout.size();
    const qreal x = alignment & Qt::AlignRight ? rect.right() - size.width() : rect.left();
    // As a single line laid out in the rectangle would sit: centred on the font's line height.
    const qreal y = rect.top() + (rect.height() - m_lineHeight) / 2;
    painter.setFont(font);
    painter.drawStaticText(QPointF(x, y), m_layout);
}
