#include "Platform/StatusBar/StatusBarButton.h"

#include <QMouseEvent>
#include <QResizeEvent>

StatusBarButton::StatusBarButton(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void StatusBarButton::setAction(QObject* target, Action action)
{
    m_target = target;
    m_action = std::move(action);
}

void StatusBarButton::performClick()
{
    if (m_action && m_target)
        m_action(this);
}

void StatusBarButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || event->modifiers().testFlag(reorderModifier)) {
        event->ignore();
        return;
    }
    event->accept();
    if (m_onMouseDown)
        performClick();
    else
        m_pressed = true;
}

void StatusBarButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        event->ignore();
        return;
    }
    m_pressed = false;
    event->accept();
    if (rect().contains(event->position().toPoint()))
        performClick();
}

void StatusBarButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setGeometry(rect());
}
