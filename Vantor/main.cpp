#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Workspace/Workspace.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"
#include "VantorShared/System/AppLinks.h"

#include <QApplication>

#include <unistd.h>

namespace {

// Starts the agent embedded in this bundle. An agent that is already running makes the new copy
// quit at once, so starting unconditionally is safe.
void startEmbeddedAgent()
{
    const QString agentPath = Bundle::main().path() + QStringLiteral("/Contents/Library/LoginItems/VantorAgent.app");
    const auto agent = Bundle::open(agentPath);
    qCInfo(lcAppLinks, "starting the agent at %s", qPrintable(agentPath));
    if (!agent || agent->executablePath().isEmpty()
        || !Workspace::shared().launchApplication(agent->executablePath(), {}, AppLinks::testEnvironment()))
        qCCritical(lcAppLinks, "could not start the agent: %s", "no agent program in the bundle");
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    AppLanguage::adoptChoiceAtLaunch();
    SharedSettings::prepareAtLaunch();
    qCInfo(lcAppLinks, "settings app up, pid %d", int(::getpid()));
    if (SharedSettings::store().boolForKey(SharedSettings::Key::agentEnabled))
        startEmbeddedAgent();
    return app.exec();
}
