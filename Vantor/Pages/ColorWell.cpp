#include "Vantor/Pages/ColorWell.h"

#include <QColorDialog>
#include <QPainter>

ColorWell::ColorWell(QWidget* parent)
    : QAbstractButton(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &ColorWell::openPicker);
}

void ColorWell::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

QSize ColorWell::sizeHint() const
{
    return {44, 24};
}

void ColorWell::openPicker()
{
    if (!m_picker) {
        m_picker = new QColorDialog(m_color, this);
        m_picker->setOption(QColorDialog::ShowAlphaChannel, false);
        m_picker->setOption(QColorDialog::DontUseNativeDialog, true);
        m_picker->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_picker, &QColorDialog::currentColorChanged, this, [this](const QColor& color) {
            if (color == m_color)
                return;
            setColor(color);
            emit colorEdited(color);
        });
        // The colours already reached the meters while the user picked; Cancel (or closing the
        // window) takes them back.
        connect(m_picker, &QDialog::rejected, this, [this] {
            if (!m_before.isValid() || m_before == m_color)
                return;
            setColor(m_before);
            emit colorEdited(m_before);
        });
    }
    if (!m_picker->isVisible()) {
        m_before = m_color;
        m_picker->setCurrentColor(m_color);
    }
    m_picker->setWindowTitle(m_pickerTitle.isEmpty() ? accessibleName() : m_pickerTitle);
    m_picker->show();
    m_picker->raise();
    m_picker->activateWindow();
}

void ColorWell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.25f);
    painter.setPen(QPen(hasFocus() ? palette().color(QPalette::Highlight) : border, hasFocus() ? 2 : 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRoundedRect(frame, 6, 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_color.isValid() ? m_color : Qt::transparent);
    painter.drawRoundedRect(frame.adjusted(3, 3, -3, -3), 4, 4);
}
