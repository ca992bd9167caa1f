#pragma once

#include <QFont>
#include <QRectF>
#include <QStaticText>
#include <QString>

class QPainter;

// One line of a panel row's text, laid out once and drawn again from that layout until its text,
// font or room changes. A panel repaints its rows every second while most of their text stays
// the same, and laying text out again (shaping, eliding) is most of what drawing it costs.
class LineText {
public:
    // The advance `text` takes in `font` (laid out and kept for draw()).
    qreal width(const QString& text, const QFont& font);
    // Draws `text` in `font` on one line in `rect`, vertically centred, at the left or the right
    // (Qt::AlignRight) edge; with `elide`, cut with an ellipsis at the right to fit the width.
    void draw(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QString& text, const QFont& font,
        bool elide = false);

private:
    void prepare(const QString& text, const QFont& font, qreal elideWidth);

    QString m_text;
    QFont m_font;
    // The width the text was elided to; negative when it was not.
    qreal m_elideWidth = -1;
    qreal m_lineHeight = 0;
    bool m_prepared = false;
    QStaticText m_layout;
};
