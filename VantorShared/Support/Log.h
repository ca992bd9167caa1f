#pragma once

#include <QLoggingCategory>

// Logging categories, named subsystem + "." + category.
Q_DECLARE_LOGGING_CATEGORY(lcAgentLifecycle) // com.quillon.vantor.agent.lifecycle
Q_DECLARE_LOGGING_CATEGORY(lcAgentUpdates) // com.quillon.vantor.agent.updates
Q_DECLARE_LOGGING_CATEGORY(lcAppLinks) // com.quillon.vantor.links
Q_DECLARE_LOGGING_CATEGORY(lcAppLoginItem) // com.quillon.vantor.loginItem
