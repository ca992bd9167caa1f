#include "VantorShared/Settings/RefreshInterval.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"

#include <cmath>

namespace RefreshInterval {

double effective(double storedSeconds)
{
    return storedSeconds > 0 && std::isfinite(storedSeconds) ? storedSeconds : 1.0;
}

double effectiveSeconds()
{
    return effective(SharedSettings::store().doubleForKey(SharedSettings::Key::refreshInterval));
}

} // namespace RefreshInterval
