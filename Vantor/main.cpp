#include "Platform/Display/DisplayCheck.h"
#include "Vantor/Startup/SessionInstance.h"
#include "Vantor/Startup/SettingsAppDelegate.h"
#include "Vantor/Startup/VantorApp.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Language/QtTranslations.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"

#include <QApplication>
#include <QDBusConnection>

#include <memory>

#include <unistd.h>

int main(int argc, char* argv[])
{
    // The language is settled before anything can load a resource.
    AppLanguage::adoptChoiceAtLaunch();

    std::unique_ptr<QApplication> application;
    DisplayCheck::guardPlatformStart([&] { application = std::make_unique<QApplication>(argc, argv); });
    QApplication& app = *application;
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quillon.vantor"));
    // Qt's own texts (dialog buttons, the colour picker, context menus) in the same language.
    QtTranslations::install(AppLanguage::launchedCode());

    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = SessionInstance::busName(SharedSettings::suiteName());
    if (SessionInstance::claim(bus, name) == SessionInstance::Claim::heldByAnotherCopy) {
        qCInfo(lcAppLinks, "the settings app is already open; bringing it forward");
        SessionInstance::forwardToRunningCopy(bus);
        return 0;
    }
    qCInfo(lcAppLinks, "settings app up, pid %d", int(::getpid()));

    VantorApp vantor;
    vantor.setShowWithoutActivating(app.arguments().contains(SettingsAppDelegate::backgroundArgument));
    app.setQuitOnLastWindowClosed(vantor.delegate().applicationShouldTerminateAfterLastWindowClosed());
    vantor.delegate().applicationDidFinishLaunching();
    return app.exec();
}
