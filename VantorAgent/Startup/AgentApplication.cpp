#include "VantorAgent/Startup/AgentApplication.h"

#include "VantorShared/Support/Log.h"

AgentApplication::AgentApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool AgentApplication::event(QEvent* event)
{
    if (event->type() != QEvent::Quit)
        return QApplication::event(event);
    // Qt closes every window and exits, or, when a visible window refuses to close, gives the
    // quit up by ignoring the event.
    event->accept();
    QApplication::event(event);
    if (!event->isAccepted()) {
        qCWarning(lcAgentLifecycle, "a window did not close; quitting all the same");
        event->accept();
        QCoreApplication::exit(0);
    }
    return true;
}
