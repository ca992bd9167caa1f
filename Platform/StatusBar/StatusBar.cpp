#include "Platform/StatusBar/StatusBar.h"

#include <QGuiApplication>

Qt::KeyboardModifiers StatusBar::keyboardModifiers() const
{
    return QGuiApplication::queryKeyboardModifiers();
}

Qt::MouseButtons StatusBar::pressedMouseButtons() const
{
    return QGuiApplication::mouseButtons();
}
