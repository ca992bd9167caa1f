#pragma once

#include "VantorAgent/Machines/MachineAlerts.h"

#include <QObject>

#include <functional>

class DesktopNotifier;
class MachinesMonitor;

// Turns the alerts of the other machines into desktop notifications while the user wants them.
// Several events of one query become one notification, so a server whose targets all fail at once
// shows one message rather than one per machine.
class MachineNotifications : public QObject {
    Q_OBJECT
public:
    // More events than this in one query are summed up in one notification.
    static constexpr int mostSeparateEvents = 3;

    // Both outlive this object.
    MachineNotifications(MachinesMonitor& monitor, DesktopNotifier& notifier, QObject* parent = nullptr);

    // The texts of one notification for these events: title and body.
    static std::pair<QString, QString> texts(const MachineAlerts::Event& event, const MachineThresholds& thresholds);
    static std::pair<QString, QString> summary(const QList<MachineAlerts::Event>& events);

    MachineAlerts& alerts() { return m_alerts; }
    // For tests: the clock the hold time runs on.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

private:
    void machinesUpdated(const QList<MachineStatus>& machines);

    MachinesMonitor& m_monitor;
    DesktopNotifier& m_notifier;
    MachineAlerts m_alerts;
    std::function<QDateTime()> m_clock;
};
