#include "VantorShared/Panels/LineText.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

const LineText::Layout& LineText::prepare(const QString& text, const QFont& font, qreal elideWidth)
{
    auto found = std::find_if(m_layouts.begin(), m_layouts.end(), [&](const Layout& kept) {
        return kept.prepared && kept.text == text && kept.elideWidth == elideWidth && kept.font == font;
    });
    if (found == m_layouts.end()) {
        // The least recently used one is made anew.
        found = m_layouts.end() - 1;
        found->text = text;
        found->font = font;
        found->elideWidth = elideWidth;
        const QString shown = elideWidth >= 0 ? QFontMetricsF(font).elidedText(text, Qt::ElideRight, elideWidth) : text;
        found->layout.setTextFormat(Qt::PlainText);
        found->layout.setPerformanceHint(QStaticText::AggressiveCaching);
        found->layout.setText(shown);
        found->layout.prepare(QTransform(), font);
        found->lineHeight = QFontMetricsF(font).height();
        found->prepared = true;
    }
    std::rotate(m_layouts.begin(), found, found + 1);
    return m_layouts.front();
}

qreal LineText::width(const QString& text, const QFont& font)
{
    return prepare(text, font, -1).layout.size().width();
}

void LineText::draw(
    QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QString& text, const QFont& font, bool elide)
{
    const Layout& line = prepare(text, font, elide ? std::max<qreal>(0, rect.width()) : -1);
    if (line.layout.text().isEmpty())
        return;
    const QSizeF size = line.layout.size();
    const qreal x = alignment & Qt::AlignRight ? rect.right() - size.width() : rect.left();
    // As a single line laid out in the rectangle would sit: centred on the font's line height.
    const qreal y = rect.top() + (rect.height() - line.lineHeight) / 2;
    painter.setFont(font);
    painter.drawStaticText(QPointF(x, y), line.layout);
}
