#include "Platform/Sensors/SensorTransports.h"

#include "Platform/Logging/PlatformLog.h"
#include "Platform/Sensors/ApplesmcTransport.h"
#include "Platform/Sensors/HwmonBridge.h"
#include "Platform/Sensors/RecordedSMCTransport.h"

namespace SensorTransports {

namespace {

Opened opened(std::unique_ptr<SMCTransport> transport, Kind kind)
{
    qCInfo(lcPlatform, "reading sensors from %s", name(kind));
    return {std::move(transport), kind};
}

} // namespace

Opened open(const QString& sysRoot, const QString& recordedTable)
{
    if (!recordedTable.isEmpty()) {
        // A replay that cannot be read is not silently swapped for the live sensors: the
        // developer would be looking at the wrong machine.
        auto table = RecordedSMCTransport::load(recordedTable);
        if (!table)
            return opened(nullptr, Kind::none);
        return opened(std::move(table), Kind::recordedTable);
    }
    if (ApplesmcTransport::isPresent(sysRoot) && ApplesmcTransport::cursorWritable(sysRoot)) {
        auto controller = std::make_unique<ApplesmcTransport>(sysRoot);
        if (controller->keyCount() > 0)
            return opened(std::move(controller), Kind::appleSMC);
    }
    HwmonBridge::Options options;
    options.sysRoot = sysRoot;
    auto bridge = std::make_unique<HwmonBridge>(options);
    if (bridge->sensorCount() > 0)
        return opened(std::move(bridge), Kind::hwmon);
    return opened(nullptr, Kind::none);
}

const char* name(Kind kind)
{
    switch (kind) {
    case Kind::none:
        return "none";
    case Kind::recordedTable:
        return "recorded table";
    case Kind::appleSMC:
        return "applesmc";
    case Kind::hwmon:
        return "hwmon";
    }
    return "none";
}

} // namespace SensorTransports
