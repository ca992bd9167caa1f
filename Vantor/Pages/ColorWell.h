#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QPointer>

class QColorDialog;

// A button that shows a colour and opens a colour picker without opacity. Every colour the user
// passes through while picking is reported at once; whoever listens decides when to keep one.
class ColorWell : public QAbstractButton {
    Q_OBJECT
public:
    explicit ColorWell(QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    QSize sizeHint() const override;

signals:
    void colorEdited(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void openPicker();

    QColor m_color;
    QPointer<QColorDialog> m_picker;
};
