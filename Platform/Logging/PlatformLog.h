#pragma once

#include <QLoggingCategory>

// Diagnostics of the platform layer itself (store files, bus, processes).
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
