#pragma once

#include "VantorShared/Machines/MachineStatus.h"

#include <QList>

// The limits above which a machine needs attention, and how urgently.
struct MachineThresholds {
    double cpu = 0.9;
    double memory = 0.9;
    double disk = 0.9;
    double celsius = 85;

    // What can be wrong with a machine, in the order a user would want to hear it.
    enum class Reason { down, cpu, memory, disk, temperature };
    enum class Level { normal, warning, critical };

    // The stored thresholds; a value that is not a number in its sensible range (fractions above 0
    // and at most 1, temperatures from 30 to 150 °C) gives its default.
    static MachineThresholds fromSettings();

    QList<Reason> reasons(const MachineStatus& machine) const;
    // Down is critical; above a threshold is a warning, and critical once it is halfway from the
    // threshold to the top (100 %, or 10 °C above the temperature threshold).
    Level level(const MachineStatus& machine) const;
    bool needsAttention(const MachineStatus& machine) const { return level(machine) != Level::normal; }

    // Attention first (critical, then warning), then by name, then by instance: a stable order
    // that keeps rows from jumping while nothing changes.
    void sort(QList<MachineStatus>& machines) const;
    // The busiest machine by CPU among those that are up and report it.
    static const MachineStatus* busiest(const QList<MachineStatus>& machines);
};
