#include "Platform/Display/DisplayCheck.h"
#include "Platform/Kernel/OpenFileLimit.h"
#include "VantorAgent/Readings/ReadingsMode.h"
#include "VantorAgent/Startup/AgentApplication.h"
#include "VantorAgent/Startup/AgentDelegate.h"
#include "VantorAgent/Startup/AgentMain.h"
#include "VantorAgent/Startup/DisplayPlatform.h"
#include "VantorAgent/Startup/SerialPainting.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/QtTranslations.h"

#include <QTimer>

#include <memory>

int main(int argc, char* argv[])
{
    // Before anything opens files: the process scan keeps descriptors within a budget that
    // follows this limit.
    OpenFileLimit::raiseToHardLimit();
    // The meters and panels are painted on the main thread alone.
    SerialPainting::install();

    // A snapshot of the readings is taken without anything of the agent's own: no window, no
    // settings written, no single-instance rule.
    if (ReadingsMode::requested(argc, argv))
        return ReadingsMode::run(argc, argv);

    // The language is settled before anything can load a resource.
    AppLanguage::adoptChoiceAtLaunch();

    // On Wayland the agent runs through XWayland, where its windows can be placed.
    DisplayPlatform::applyBeforeApplication();
    // Its quit always ends the agent, whichever window is open.
    std::unique_ptr<AgentApplication> application;
    DisplayCheck::guardPlatformStart([&] { application = std::make_unique<AgentApplication>(argc, argv); });
    AgentApplication& app = *application;
    DisplayPlatform::restoreAfterApplication();
    // The update dialogs' standard buttons and context menus follow the interface language too.
    QtTranslations::install(AppLanguage::launchedCode());
    AgentDelegate& delegate = AgentMain::delegate();
    // The agent has no main window; closing a popover must not end it.
    app.setQuitOnLastWindowClosed(delegate.applicationShouldTerminateAfterLastWindowClosed());
    // Launching finishes once the event loop runs, so that a check that fails can ask it to quit.
    QTimer::singleShot(0, &delegate, &AgentDelegate::applicationDidFinishLaunching);
    return app.exec();
}
