#include "Platform/Logging/PlatformLog.h"

Q_LOGGING_CATEGORY(lcPlatform, "com.quillon.vantor.platform")
