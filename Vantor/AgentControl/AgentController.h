#pragma once

#include <QObject>

class QTimer;

// Switches the menu bar agent on and off and keeps `isRunning` true to the running processes.
//
// The wish lives in the store (agentEnabled); isRunning is the observed fact: an agent holds the
// agent's name on this session bus for this suite (AppLinks::runningAgent). Agents of other
// sessions or suites, and readings snapshots, do not count. The two differ while an agent starts
// or exits and when a start fails. Looks are taken when an agent appears on or leaves the session
// bus (again a second later, for an agent that finishes starting or exiting just after), whenever
// the app becomes active, and every second after the switch changed until the fact agrees with the
// wish: a start that fails, or an agent that dies before it claims its name, turns the row back
// to Off without the window having to be left.
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

    // How long after a change of the switch the row keeps showing the wish while no agent has
    // claimed the name yet (an agent that is still starting).
    static constexpr int startGraceMilliseconds = 8000;

signals:
    void isRunningChanged(bool isRunning);

private:
    void setIsRunning(bool running);
    void updateFromProcesses();
    void followUp();

    bool m_isRunning = false;
    QTimer* m_followUp = nullptr;
    qint64 m_changedAt = 0;
};
