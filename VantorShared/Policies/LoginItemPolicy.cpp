#include "VantorShared/Policies/LoginItemPolicy.h"

#include "VantorShared/Settings/SharedSettings.h"

#include <QCoreApplication>
#include <QProcessEnvironment>

namespace LoginItemPolicy {

bool isSuppressed(const QMap<QString, QString>& environment, const QStringList& arguments)
{
    using namespace SharedSettings;
    const QString one = QStringLiteral("1");
    if (environment.contains(Env::noLoginItem) && environment.value(Env::noLoginItem) == one)
        return true;
    if (environment.contains(Env::uiTesting) && environment.value(Env::uiTesting) == one)
        return true;
    if (environment.contains(Env::testConfiguration))
        return true;
    return arguments.contains(noLoginItemArgument);
}

bool isSuppressed()
{
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    QMap<QString, QString> environment;
    for (const QString& name :
        {SharedSettings::Env::noLoginItem, SharedSettings::Env::uiTesting, SharedSettings::Env::testConfiguration})
        if (system.contains(name))
            environment.insert(name, system.value(name));
    return isSuppressed(environment, QCoreApplication::arguments());
}

} // namespace LoginItemPolicy
