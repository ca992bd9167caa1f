#pragma once

#include "VantorShared/System/ProcessScan.h"

#include <QList>

#include <optional>

// A running agent process as the single-instance rule sees it.
struct AgentInstance {
    qint32 pid = 0;
    // Start time in microseconds since 1970; none when it could not be read.
    std::optional<qint64> launchDate;

    bool operator==(const AgentInstance&) const = default;

    static AgentInstance from(const ProcessScan::Entry& entry) { return {entry.pid, entry.started}; }

    // Whether `other` counts as started before this one: by start time when both are known and
    // differ, otherwise by the lower process id.
    bool isLaterThan(const AgentInstance& other) const;

    // The rule over the list of running agents: true when another agent in `agents` started
    // before the one with `ownPid`. An agent that is not in the list itself never yields.
    static bool shouldYield(qint32 ownPid, const QList<ProcessScan::Entry>& agents);
};
