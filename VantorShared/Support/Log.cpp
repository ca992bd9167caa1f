#include "VantorShared/Support/Log.h"

Q_LOGGING_CATEGORY(lcAgentLifecycle, "com.quillon.vantor.agent.lifecycle")
Q_LOGGING_CATEGORY(lcAgentUpdates, "com.quillon.vantor.agent.updates")
Q_LOGGING_CATEGORY(lcAppLinks, "com.quillon.vantor.links")
Q_LOGGING_CATEGORY(lcAppLoginItem, "com.quillon.vantor.loginItem")
