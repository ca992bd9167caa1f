#pragma once

#include <QFont>
#include <QRectF>
#include <QStaticText>
#include <QString>

#include <array>

class QPainter;

// One line of a panel row's text, laid out once and drawn again from that layout until its text,
// font or room changes. A panel repaints its rows every second while most of their text stays
// the same, and laying text out again (shaping, eliding) is most of what drawing it costs. The
// last few layouts are kept, as a changing figure mostly returns to a value it just had.
class LineText {
public:
    // The advance `text` takes in `font` (laid out and kept for draw()).
    qreal width(const QString& text, const QFont& font);
    // Draws `text` in `font` on one line in `rect`, vertically centred, at the left or the right
    // (Qt::AlignRight) edge; with `elide`, cut with an ellipsis at the right to fit the width.
    void draw(QPainter& painter, const QRectF& rect, Qt::Alignment alignment, const QString& text, const QFont& font,
        bool elide = false);

private:
    struct Layout {
        QString text;
        QFont font;
        // The width the text was elided to; negative when it was not.
        qreal elideWidth = -1;
        qreal lineHeight = 0;
        bool prepared = false;
        QStaticText layout;
    };

    // The layout for these arguments, moved to the front of m_layouts.
    const Layout& prepare(const QString& text, const QFont& font, qreal elideWidth);

    // Most recently used first.
    std::array<Layout, 4> m_layouts;
};
