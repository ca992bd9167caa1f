#include "Vantor/Pages/ChoiceTile.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

ChoiceTile::ChoiceTile(const QString& title, Content content, QWidget* parent)
    : QAbstractButton(parent)
    , m_content(std::move(content))
{
    setText(title);
    setAccessibleName(title);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ChoiceTile::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    updateGeometry();
    update();
}

QFont ChoiceTile::titleFont() const
{
    QFont font = this->font();
    font.setPointSizeF(8.5);
    font.setWeight(m_selected ? QFont::DemiBold : QFont::Normal);
    return font;
}

QSize ChoiceTile::sizeHint() const
{
    QFont bold = titleFont();
    bold.setWeight(QFont::DemiBold);
    const QFontMetrics metrics(bold);
    return {std::max(contentWidth, metrics.horizontalAdvance(text())), contentHeight + 6 + metrics.height()};
}

void ChoiceTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame((width() - contentWidth) / 2.0, 0, contentWidth, contentHeight);
    QPainterPath rounded;
    rounded.addRoundedRect(frame, 9, 9);
    painter.save();
    painter.setClipPath(rounded);
    if (m_content)
        m_content(painter, frame);
    painter.restore();

    // The border is stroked inside the frame, so the selected one does not grow the tile.
    QColor line = palette().color(QPalette::WindowText);
    double width = 1;
    if (m_selected) {
        line = palette().color(QPalette::Highlight);
        width = 3;
    } else {
        line.setAlphaF(0.12f);
    }
    if (hasFocus() && !m_selected)
        line = palette().color(QPalette::Highlight);
    painter.setPen(QPen(line, width));
    painter.setBrush(Qt::NoBrush);
    const double inset = width / 2;
    painter.drawRoundedRect(frame.adjusted(inset, inset, -inset, -inset), 9 - inset, 9 - inset);

    painter.setFont(titleFont());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRectF(0, contentHeight + 6, this->width(), height() - contentHeight - 6),
        Qt::AlignHCenter | Qt::AlignTop, text());
}
