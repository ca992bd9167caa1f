#pragma once

#include "VantorShared/System/ProcessScan.h"

#include <QList>

#include <functional>
#include <optional>

// A running agent process as the single-instance rule sees it.
struct AgentInstance {
    qint32 pid = 0;
    // Start time in microseconds since 1970; none when it could not be read.
    std::optional<qint64> launchDate;

    bool operator==(const AgentInstance&) const = default;

    // What makes two agents rivals: one user, one session bus, one settings suite. Agents of
    // another installation with its own bus or suite run side by side with this one.
    struct Scope {
        quint32 uid = 0;
        // The session bus address, or the per-user bus socket when no address is given; empty
        // when the process has no session bus.
        QString bus;
        QString suite;
        bool operator==(const Scope&) const = default;
    };
    // The scope of a process from its owner and the environment it started with; none when that
    // cannot be read (another user's process, or one that has ended).
    using ScopeOf = std::function<std::optional<Scope>(qint32 pid)>;

    static AgentInstance from(const ProcessScan::Entry& entry) { return {entry.pid, entry.started}; }

    // Whether `other` counts as started before this one: by start time when both are known and
    // differ, otherwise by the lower process id.
    bool isLaterThan(const AgentInstance& other) const;

    // The rule over the list of running agents: true when another agent in `agents` started
    // before the one with `ownPid`. An agent that is not in the list itself never yields.
    static bool shouldYield(qint32 ownPid, const QList<ProcessScan::Entry>& agents);

    // The agent that `ownPid` must yield to: the earliest of the agents in the same scope as
    // `own` that started before it. None when this one keeps running. A null `scopeOf` counts
    // every agent as a rival.
    static std::optional<ProcessScan::Entry> yieldTarget(
        qint32 ownPid, const QList<ProcessScan::Entry>& agents, const Scope& own, const ScopeOf& scopeOf);

    // This process's own scope, from its environment.
    static Scope ownScope();
    // Another process's scope, read from <procRoot>/<pid>.
    static std::optional<Scope> scopeOf(qint32 pid, const QString& procRoot = QStringLiteral("/proc"));
};
