#include "VantorAgent/Startup/AgentDelegate.h"
#include "VantorAgent/Startup/AgentMain.h"
#include "VantorAgent/Startup/DisplayCheck.h"
#include "VantorShared/Language/AppLanguage.h"

#include <QApplication>
#include <QTimer>

#include <memory>

int main(int argc, char* argv[])
{
    // The language is settled before anything can load a resource.
    AppLanguage::adoptChoiceAtLaunch();

    std::unique_ptr<QApplication> application;
    DisplayCheck::guardPlatformStart([&] { application = std::make_unique<QApplication>(argc, argv); });
    QApplication& app = *application;
    AgentDelegate& delegate = AgentMain::delegate();
    // The agent has no main window; closing a popover must not end it.
    app.setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());
    // Launching finishes once the event loop runs, so that a check that fails can ask it to quit.
    QTimer::singleShot(0, &delegate, &AgentDelegate::applicationDidFinishLaunching);
    return app.exec();
}
