#include "VantorAgent/Updates/UpdatePolicy.h"

#include "VantorShared/Settings/SharedSettings.h"

namespace UpdatePolicy {

bool isDisabled(const QProcessEnvironment& environment, const QString& publicKey)
{
    using namespace SharedSettings;
    const QString one = QStringLiteral("1");
    return (environment.contains(Env::disableUpdater) && environment.value(Env::disableUpdater) == one)
        || (environment.contains(Env::uiTesting) && environment.value(Env::uiTesting) == one)
        || environment.contains(Env::testConfiguration) || publicKey.isEmpty();
}

} // namespace UpdatePolicy
