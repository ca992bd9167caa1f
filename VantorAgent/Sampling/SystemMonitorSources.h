#pragma once

#include "Platform/Kernel/LoadAverage.h"
#include "Platform/Kernel/MachineInfo.h"
#include "Platform/Storage/VolumeInfo.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class SMCTransport;

// Where the readings come from; tests point the roots at fixture trees and replace the clock.
struct SystemMonitorSources {
    QString procRoot = QStringLiteral("/proc");
    QString sysRoot = QStringLiteral("/sys");
    // The 1-, 5- and 15-minute load averages; false when they cannot be read.
    std::function<bool(std::array<double, 3>&)> loadAverages = LoadAverage::read;
    // Seconds on a clock that keeps running through suspend; it also gives the uptime.
    std::function<double()> clock = MachineInfo::uptime;
    // Bytes per page for the paging counters; 0 means the system's.
    quint64 pageSize = 0;
    // False: no timer is started at creation (tests drive refresh() themselves).
    bool startTimer = true;
    // Where the hardware sensors are read; empty: this machine's own (a recorded table named by
    // VANTOR_SENSOR_TABLE, else the applesmc driver, else hwmon). A null transport: no sensors.
    std::function<std::unique_ptr<SMCTransport>()> sensorTransport;
    // The graphics accelerators' statistics, one dictionary per accelerator; empty when there is
    // no accelerator. Unset: the machine's, under sysRoot.
    std::function<QList<QVariantMap>()> acceleratorStatistics;
    // The start-up volume; none when it cannot be asked. It may block and runs on a worker
    // thread, so it must touch nothing else. Unset: the root file system.
    std::function<std::optional<VolumeInfo>()> storageQuery;
};
