#pragma once

#include <QList>
#include <QString>

#include <optional>

// The processor's performance levels as sysfs describes them, fastest first.
//
// Hybrid x86 processors list the CPUs of each core type in /sys/devices/cpu_core/cpus
// (performance) and /sys/devices/cpu_atom/cpus (efficiency). ARM processors give each CPU a
// relative cpu_capacity; CPUs of equal capacity form one level. A processor with a single kind of
// core has no levels.
namespace CpuTopologySource {

struct Level {
    // Empty when sysfs gives the level no name.
    QString name;
    int count = 0;
    bool operator==(const Level&) const = default;
};

// `root` is the file-system root ("/" on a real system).
QList<Level> levels(const QString& root);
// The number of online processors from <root>/sys/devices/system/cpu/online; none when that
// file cannot be read.
std::optional<int> onlineProcessors(const QString& root);

// The number of CPUs in a kernel CPU list such as "0-7,16"; none when the text is not one.
std::optional<int> countInCpuList(const QString& list);
// The CPU numbers of such a list, ascending; none when the text is not one.
std::optional<QList<int>> cpusInList(const QString& list);

} // namespace CpuTopologySource
