#include "VantorAgent/Machines/MachineAlerts.h"

#include <QSet>

QList<MachineAlerts::Event> MachineAlerts::update(
    const QList<MachineStatus>& machines, const MachineThresholds& thresholds, const QDateTime& now)
{
    using Reason = MachineThresholds::Reason;
    QList<Event> events;
    QSet<QString> present;
    for (const MachineStatus& machine : machines) {
        present.insert(machine.instance);
        State& state = m_states[machine.instance];
        const QList<Reason> current = thresholds.reasons(machine);

        // What is no longer the case ends its hold time, and is no longer notified.
        for (auto it = state.since.begin(); it != state.since.end();) {
            if (!current.contains(it.key())) {
                state.notified.removeAll(it.key());
                it = state.since.erase(it);
            } else {
                ++it;
            }
        }
        // Recovered only once nothing is wrong: a machine that was hot and is now down has not.
        if (state.alerted && current.isEmpty()) {
            state.alerted = false;
            events.append(Event {Event::Kind::recovered, machine.instance, machine.name(), {}});
        }

        QList<Reason> due;
        for (const Reason reason : current) {
            const auto since = state.since.constFind(reason);
            if (since == state.since.constEnd()) {
                state.since.insert(reason, now);
                continue;
            }
            if (!state.notified.contains(reason) && since.value().secsTo(now) >= holdTime.count())
                due.append(reason);
        }
        if (!due.isEmpty()) {
            state.notified.append(due);
            state.alerted = true;
            events.append(Event {Event::Kind::attention, machine.instance, machine.name(), due});
        }
    }
    for (auto it = m_states.begin(); it != m_states.end();) {
        if (!present.contains(it.key()))
            it = m_states.erase(it);
        else
            ++it;
    }
    return events;
}
