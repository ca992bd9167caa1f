#pragma once

#include "Platform/Http/MetricsEndpoint.h"
#include "Platform/Session/InstanceClaim.h"
#include "Platform/StatusBar/StatusBar.h"
#include "VantorAgent/Export/MetricsExport.h"
#include "VantorAgent/MenuBar/StatusBarController.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Settings/SignalListener.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class MachinesFeature;

// The agent application's delegate: the start-up checks, the sampling engine and menu bar it
// builds, the two signals it answers (quitAgent, settings), and the relaunch after a language
// change.
//
// One agent per user, session bus and settings suite: the agent is whoever holds the claim (the
// agent's name on the session bus, or without a bus a lock file in the runtime folder). A copy
// that finds it held quits at launch, naming the holder; a holder that loses it quits too. Only a
// real agent claims: a readings snapshot never counts as one.
class AgentDelegate : public QObject {
    Q_OBJECT
public:
    // The process's outside world; tests replace parts of it.
    struct Environment {
        qint32 pid;
        bool unitTestHost;
        // The claim of being this session's agent (AppLinks' bus name and lock file).
        std::function<std::unique_ptr<InstanceClaim>()> makeClaim;
        // Asks the application to quit.
        std::function<void()> terminate;
        // Starts a program detached from this process, with this process's environment.
        std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
        // The program a relaunch starts: this bundle's executable.
        std::function<QString()> executablePath;
        SystemMonitor::Sources monitorSources;
        // The bar the meters go into: the desktop's top edge, or a fake in tests.
        std::function<std::unique_ptr<StatusBar>()> makeStatusBar;
        // Where the readings are served for a collector when the settings ask for it; unset: the
        // HTTP endpoint.
        std::function<std::unique_ptr<MetricsEndpoint>()> makeMetricsEndpoint;

        static Environment system();
    };

    explicit AgentDelegate(Environment environment = Environment::system(), QObject* parent = nullptr);
    ~AgentDelegate() override;

    // The start-up sequence; runs once the event loop is running.
    void applicationDidFinishLaunching();
    // Closing a popover or window never quits the agent.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    // Takes the claim; false (and the holder named in the log) when another agent holds it.
    bool claimInstance();
    InstanceClaim* instanceClaim() const { return m_claim.get(); }
    // Starts a new copy of the agent once this one has exited, then quits this one.
    void relaunch();
    // Re-reads the meter settings after the settings app changed them.
    void applyMeterSettings();

    SystemMonitor* monitor() const { return m_statusBarController ? &m_statusBarController->monitor() : nullptr; }
    StatusBarController* statusBarController() const { return m_statusBarController.get(); }
    MetricsExport* metricsExport() const { return m_metricsExport.get(); }
    MachinesFeature* machines() const { return m_machines.get(); }
    const SignalListener& signalListener() const { return m_signals; }

    // The shell command and arguments of a relaunch: the shell waits for `pid` to be gone and then
    // starts `executable`. Both travel as positional parameters, so no character of the path is
    // ever read as shell syntax.
    static QStringList relaunchArguments(qint32 pid, const QString& executable);
    static inline const QString relaunchShell = QStringLiteral("/bin/sh");

private:
    void handleSettingsSignal();

    Environment m_environment;
    std::unique_ptr<InstanceClaim> m_claim;
    SignalListener m_signals;
    // Declared before the controller: the bar must outlive the items the controller put into it.
    std::unique_ptr<StatusBar> m_statusBar;
    std::unique_ptr<StatusBarController> m_statusBarController;
    // Declared after the controller: it reads the controller's monitor until it goes.
    std::unique_ptr<MetricsExport> m_metricsExport;
    // The other machines' meter shares the bar, so it goes before the bar does.
    std::unique_ptr<MachinesFeature> m_machines;
};
