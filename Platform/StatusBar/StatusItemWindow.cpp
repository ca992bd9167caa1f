#include "Platform/StatusBar/StatusItemWindow.h"

#include "Platform/StatusBar/StatusBarButton.h"
#include "Platform/StatusBar/X11Dock.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

StatusItemWindow::StatusItemWindow()
    : QWidget(nullptr,
        Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus
            | Qt::NoDropShadowWindowHint)
    , m_button(new StatusBarButton(this))
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Vantor"));
    m_button->setStatusWindow(this);
    setContentLength(0);
    // A dock to the window manager: no frame or taskbar entry, on every desktop, above other
    // windows, and with the strip it reserves kept clear of maximised windows.
    X11Dock::makeDock(*this);
}

void StatusItemWindow::reserveStrip()
{
    if (geometry() == m_reserved)
        return;
    m_reserved = geometry();
    X11Dock::reserveTop(*this, m_reserved);
}

void StatusItemWindow::setContentLength(double length)
{
    const int width = std::isfinite(length) && length > 0 ? int(std::ceil(std::min(length, 10000.0))) : 0;
    m_button->setGeometry(padding, 0, width, barHeight);
    setFixedSize(width + 2 * padding, barHeight);
}

void StatusItemWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor window = palette().color(QPalette::Window);
    const bool dark = window.lightness() < palette().color(QPalette::WindowText).lightness();
    // A shade off the theme's window colour, with a hairline underneath, reads as a bar on top of
    // whatever is behind it.
    const QColor plate = dark ? window.lighter(112) : window.darker(104);
    painter.fillRect(rect(), plate);
    painter.fillRect(QRect(0, height() - 1, width(), 1), dark ? plate.lighter(130) : plate.darker(112));
}

void StatusItemWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    emit moved();
}

void StatusItemWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && event->modifiers().testFlag(StatusBarButton::reorderModifier)) {
        m_grabOffset = int(std::lround(event->globalPosition().x())) - x();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void StatusItemWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_grabOffset) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    emit dragged(int(std::lround(event->globalPosition().x())) - *m_grabOffset);
    event->accept();
}

void StatusItemWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_grabOffset || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_grabOffset.reset();
    event->accept();
    emit dragFinished();
}
