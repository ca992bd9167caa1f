#include "AppLinks.h"

#include "SharedSettings.h"

// Placeholder until the links land.
namespace AppLinks {

bool isUnitTestHost()
{
    static const bool host
        = qEnvironmentVariableIsSet(SharedSettings::Env::testConfiguration.toLocal8Bit().constData());
    return host;
}

std::optional<QString> containingAppURL()
{
    return std::nullopt;
}

void openSettingsApp()
{
    SharedSettings::post(SharedSettings::Signal::openSettings);
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
