#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QColorDialog>
#include <QPointer>

// A button that shows a colour and opens a colour picker without opacity. Every colour the user
// passes through while picking is reported at once, so the meters follow live; whoever listens
// decides when to keep one. Cancelling the picker reports the colour it opened with again, so the
// meter goes back to what it was.
class ColorWell : public QAbstractButton {
    Q_OBJECT
public:
    explicit ColorWell(QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    QSize sizeHint() const override;
    // The title of the picker window.
    void setPickerTitle(const QString& title) { m_pickerTitle = title; }
    // The open picker, if any.
    QColorDialog* picker() const { return m_picker; }
    void openPicker();

signals:
    void colorEdited(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
    // The colour when the picker opened: what Cancel returns to.
    QColor m_before;
    QString m_pickerTitle;
    QPointer<QColorDialog> m_picker;
};
