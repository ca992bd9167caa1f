#include "Platform/Popover/MouseMonitors.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

MouseMonitors::MouseMonitors(Local local, Global global, QObject* parent)
    : QObject(parent)
    , m_local(std::move(local))
    , m_global(std::move(global))
    , m_pointer([] { return QCursor::pos(); })
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state != Qt::ApplicationActive)
                applicationDeactivated();
        });
}

MouseMonitors::~MouseMonitors()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void MouseMonitors::applicationDeactivated()
{
    if (m_global)
        m_global(m_pointer());
}

bool MouseMonitors::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress)
        return false;
    auto* press = static_cast<QMouseEvent*>(event);
    if (press->button() != Qt::LeftButton && press->button() != Qt::RightButton)
        return false;
    // A press reaches the filter first at the window and then at every widget it is offered
    // to; the window's copy counts, once.
    auto* window = qobject_cast<QWindow*>(watched);
    if (!window)
        return false;
    QWidget* pressedIn = nullptr;
    for (QWidget* topLevel : QApplication::topLevelWidgets())
        if (topLevel->windowHandle() == window) {
            pressedIn = topLevel;
            break;
        }
    if (m_local)
        m_local(press->globalPosition().toPoint(), pressedIn);
    return false;
}
