#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// What the Prometheus server knows about one machine at the last query. Fractions are 0 to 1;
// a value the machine's exporter does not offer (or offered as nonsense) is missing.
struct MachineStatus {
    // The target's `instance` label, which identifies the machine in every query.
    QString instance;
    // The kernel's node name from `node_uname_info`, when the exporter has it.
    QString nodename;
    bool up = false;
    // Since when the machine has been up or down, as far as we know.
    QDateTime since;
    std::optional<double> cpu;
    std::optional<double> memory;
    std::optional<double> disk;
    std::optional<double> hottestCelsius;
    std::optional<double> load1;
    std::optional<double> uptimeSeconds;

    // The name shown to the user: the node name, else the instance.
    QString name() const { return nodename.isEmpty() ? instance : nodename; }
    bool operator==(const MachineStatus&) const = default;
};
