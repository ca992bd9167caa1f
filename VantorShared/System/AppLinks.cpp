#include "VantorShared/System/AppLinks.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Workspace/Workspace.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"

#include <QDir>
#include <QFileInfo>

namespace AppLinks {

bool isUnitTestHost()
{
    static const bool host
        = qEnvironmentVariableIsSet(SharedSettings::Env::testConfiguration.toLocal8Bit().constData());
    return host;
}

std::optional<QString> containingAppURL(const QString& agentBundlePath)
{
    // <app>.app/Contents/Library/LoginItems/VantorAgent.app
    QString candidate = QDir::cleanPath(agentBundlePath);
    for (int i = 0; i < 4; ++i)
        candidate = QFileInfo(candidate).path();
    if (candidate.endsWith(QLatin1String(".app"))) {
        const auto bundle = Bundle::open(candidate);
        if (bundle && bundle->identifier() == settingsAppIdentifier)
            return bundle->path();
    }
    return Workspace::shared().applicationPath(settingsAppIdentifier);
}

std::optional<QString> containingAppURL()
{
    return containingAppURL(Bundle::main().path());
}

void openSettingsApp()
{
    // A settings app that already runs brings its window forward on this signal.
    SharedSettings::post(SharedSettings::Signal::openSettings);
    const auto app = containingAppURL();
    if (!app)
        return;
    const auto bundle = Bundle::open(*app);
    const QString executable = bundle ? bundle->executablePath() : QString();
    if (executable.isEmpty()) {
        qCWarning(lcAppLinks, "settings app at %s names no executable", qPrintable(*app));
        return;
    }
    if (!Workspace::shared().launchApplication(executable, {}, testEnvironment()))
        qCWarning(lcAppLinks, "could not start the settings app at %s", qPrintable(executable));
}

QList<QPair<QString, QString>> testEnvironment()
{
    QList<QPair<QString, QString>> environment;
    for (const QString& variable : {SharedSettings::Env::settingsSuite, SharedSettings::Env::uiTesting,
             SharedSettings::Env::disableUpdater, SharedSettings::Env::noLoginItem, SharedSettings::Env::language}) {
        const QByteArray name = variable.toLocal8Bit();
        if (qEnvironmentVariableIsSet(name.constData()))
            environment.append({variable, qEnvironmentVariable(name.constData())});
    }
    return environment;
}

} // namespace AppLinks
