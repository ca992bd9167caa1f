#include "VantorShared/Panels/LineText.h"

#include "VantorShared/Support/RecentFirst.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

const LineText::Layout& LineText::prepare(const QString& text, const QFont& font, qreal elideWidth)
{
    return RecentFirst::use(
        m_layouts,
        [&](const Layout& kept) {
            return kept.prepared && kept.text == text && kept.elideWidth == elideWidth && kept.font == font;
        },
        [&](Layout& made) {
            made.text = text;
            made.font = font;
            made.elideWidth = elideWidth;
            const QString shown
                = elideWidth >= 0 ? QFontMetricsF(font).elidedText(text, Qt::ElideRight, elideWidth) : text;
            made.layout.setTextFormat(Qt::PlainText);
            made.layout.setPerformanceHint(QStaticText::AggressiveCaching);
            made.layout.setText(shown);
            made.layout.prepare(QTransform(), font);
            made.lineHeight = QFontMetricsF(font).height();
            made.prepared = true;
        });
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
