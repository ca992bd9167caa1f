#pragma once

#include "VantorShared/Machines/MachineThresholds.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <chrono>

// Decides when a machine is worth a notification: when it has been down or above a threshold for
// the hold time, once, and when nothing is wrong with it any more after a notification, once. A
// value that dips under its threshold for one query and climbs back starts its hold time again, so
// a machine near a limit never floods the desktop.
class MachineAlerts {
public:
    static constexpr std::chrono::seconds holdTime {120};

    struct Event {
        enum class Kind { attention, recovered };
        Kind kind = Kind::attention;
        QString instance;
        QString name;
        // For attention: what has held for the hold time (down alone when the machine is down).
        QList<MachineThresholds::Reason> reasons;
        bool operator==(const Event&) const = default;
    };

    // One query's machines at `now`; the events that are due. Machines no longer in the answer are
    // forgotten without an event (the filter or the server's targets changed).
    QList<Event> update(
        const QList<MachineStatus>& machines, const MachineThresholds& thresholds, const QDateTime& now);
    void reset() { m_states.clear(); }

private:
    struct State {
        QHash<MachineThresholds::Reason, QDateTime> since;
        QList<MachineThresholds::Reason> notified;
        // A notification went out and no recovery since.
        bool alerted = false;
    };
    QHash<QString, State> m_states;
};
