#include "VantorAgent/Startup/AgentDelegate.h"
#include "VantorAgent/Startup/AgentMain.h"
#include "VantorAgent/Startup/DisplayPlatform.h"
#include "VantorShared/Language/AppLanguage.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    // The language is settled before anything can load a resource.
    AppLanguage::adoptChoiceAtLaunch();

    // On Wayland the agent runs through XWayland, where its windows can be placed.
    DisplayPlatform::applyBeforeApplication();
    QApplication app(argc, argv);
    DisplayPlatform::restoreAfterApplication();
    AgentDelegate& delegate = AgentMain::delegate();
    // The agent has no main window; closing a popover must not end it.
    app.setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());
    // Launching finishes once the event loop runs, so that a check that fails can ask it to quit.
    QTimer::singleShot(0, &delegate, &AgentDelegate::applicationDidFinishLaunching);
    return app.exec();
}
