#pragma once

#include <QObject>

// Switches the menu bar agent on and off and keeps `isRunning` true to the running processes.
//
// The wish lives in the store (agentEnabled); isRunning is the observed fact, always computed from
// the process list. The two differ while an agent starts or exits and when a start fails. Looks
// are taken when an agent appears on or leaves the session bus (again a second later, for an agent
// that finishes starting or exiting just after) and whenever the app becomes active.
class AgentController : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
public:
    explicit AgentController(QObject* parent = nullptr);

    bool isRunning() const { return m_isRunning; }

    // Stores the wish, then starts the agent (retrying while an old copy exits) or tells it to
    // quit. isRunning follows the wish at once; the next looks correct it.
    void setEnabled(bool enabled);

    // Looks at the processes now and again a second later.
    void runningApplicationsChanged();
    // Looks at the processes now.
    void applicationDidBecomeActive();

signals:
    void isRunningChanged(bool isRunning);

private:
    void setIsRunning(bool running);
    void updateFromProcesses();

    bool m_isRunning = false;
};
