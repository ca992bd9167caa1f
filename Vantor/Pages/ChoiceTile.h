#pragma once

#include <QAbstractButton>

#include <functional>

class QPainter;

// A picture with a caption that the user clicks to choose it, like the appearance choices of a
// desktop's settings. The picture is painted by `content` into a 112 × 74 rounded frame; the
// frame's border shows whether the tile is the current choice.
class ChoiceTile : public QAbstractButton {
    Q_OBJECT
public:
    using Content = std::function<void(QPainter&, const QRectF&)>;

    ChoiceTile(const QString& title, Content content, QWidget* parent = nullptr);

    static constexpr int contentWidth = 112;
    static constexpr int contentHeight = 74;

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont titleFont() const;

    Content m_content;
    bool m_selected = false;
};
