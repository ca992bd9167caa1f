#pragma once

#include "Platform/Sensors/SMCTransport.h"

#include <QString>

#include <memory>

// Chooses where this machine's sensors come from: a recorded table when one is given (a replayed
// bug report), else the applesmc driver when this process may move its cursor, else the hwmon
// bridge. A machine with none of them (a virtual machine) has no transport.
namespace SensorTransports {

enum class Kind { none, recordedTable, appleSMC, hwmon };

struct Opened {
    std::unique_ptr<SMCTransport> transport;
    Kind kind = Kind::none;
};

Opened open(const QString& sysRoot, const QString& recordedTable = {});

const char* name(Kind kind);

} // namespace SensorTransports
