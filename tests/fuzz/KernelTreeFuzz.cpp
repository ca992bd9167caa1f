// The readers that walk a /proc and /sys tree (thermal trip points, core kinds and capacities,
// the processor's name, online processors), over a tree whose files hold the input.
#include "Platform/Kernel/CpuTopologySource.h"
#include "Platform/Kernel/MachineInfo.h"
#include "Platform/Kernel/PerformanceCores.h"
#include "Platform/Kernel/ThermalZones.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

// The files the input is spread over, separated by NUL bytes in the input.
const char* const kFiles[] = {
    "proc/cpuinfo",
    "proc/device-tree/model",
    "proc/meminfo",
    "sys/class/thermal/thermal_zone0/trip_point_0_type",
    "sys/class/thermal/thermal_zone0/trip_point_0_temp",
    "sys/class/thermal/thermal_zone0/trip_point_1_type",
    "sys/class/thermal/thermal_zone0/trip_point_1_temp",
    "sys/class/thermal/thermal_zone0/temp",
    "sys/devices/cpu_core/cpus",
    "sys/devices/cpu_atom/cpus",
    "sys/devices/system/cpu/online",
    "sys/devices/system/cpu/cpu0/cpu_capacity",
    "sys/devices/system/cpu/cpu1/cpu_capacity",
    "sys/devices/system/cpu/cpu2/cpu_capacity",
};

void write(const QString& path, QByteArrayView bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes.data(), bytes.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    static bool made = false;
    if (!made) {
        for (const char* file : kFiles)
            QDir().mkpath(QFileInfo(root.filePath(QLatin1String(file))).absolutePath());
        made = true;
    }
    QByteArrayView rest(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const char* file : kFiles) {
        const qsizetype end = rest.indexOf('\0');
        const QByteArrayView part = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        write(root.filePath(QLatin1String(file)), part);
    }
    const QString top = root.path();
    ThermalZones zones(top + QStringLiteral("/sys"));
    (void)zones.read();
    (void)CpuTopologySource::levels(top);
    (void)CpuTopologySource::onlineProcessors(top);
    (void)PerformanceCores::cpus(top + QStringLiteral("/sys"));
    (void)MachineInfo::processorName(top + QStringLiteral("/proc"));
    (void)MachineInfo::physicalMemory(top + QStringLiteral("/proc"));
    return 0;
}
