#pragma once

#include "Platform/StatusBar/StatusBar.h"
#include "VantorAgent/MenuBar/StatusBarController.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorAgent/Startup/AgentInstance.h"
#include "VantorShared/Settings/SignalListener.h"
#include "VantorShared/System/ProcessScan.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

// The agent application's delegate: the start-up checks, the sampling engine and menu bar it
// builds, the two signals it answers (quitAgent, settings), and the relaunch after a language
// change.
class AgentDelegate : public QObject {
    Q_OBJECT
public:
    // The process's outside world; tests replace parts of it.
    struct Environment {
        qint32 pid;
        bool unitTestHost;
        std::function<QList<ProcessScan::Entry>()> agents;
        // Which of those agents are rivals: this process's scope, and how to learn another's
        // (null: every agent is a rival).
        AgentInstance::Scope ownScope;
        AgentInstance::ScopeOf scopeOf;
        // Asks the application to quit.
        std::function<void()> terminate;
        // Starts a program detached from this process, with this process's environment.
        std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
        // The program a relaunch starts: this bundle's executable.
        std::function<QString()> executablePath;
        SystemMonitor::Sources monitorSources;
        // The bar the meters go into: the desktop's top edge, or a fake in tests.
        std::function<std::unique_ptr<StatusBar>()> makeStatusBar;

        static Environment system();
    };

    explicit AgentDelegate(Environment environment = Environment::system(), QObject* parent = nullptr);
    ~AgentDelegate() override;

    // The start-up sequence; runs once the event loop is running.
    void applicationDidFinishLaunching();
    // Closing a popover or window never quits the agent.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return false; }
    bool shouldYieldToAnEarlierInstance() const { return earlierInstance().has_value(); }
    // The earlier agent of the same user, session bus and suite that this one yields to.
    std::optional<ProcessScan::Entry> earlierInstance() const;
    // Starts a new copy of the agent once this one has exited, then quits this one.
    void relaunch();
    // Re-reads the meter settings after the settings app changed them.
    void applyMeterSettings();

    SystemMonitor* monitor() const { return m_statusBarController ? &m_statusBarController->monitor() : nullptr; }
    StatusBarController* statusBarController() const { return m_statusBarController.get(); }
    const SignalListener& signalListener() const { return m_signals; }

    // The shell command and arguments of a relaunch: the shell waits for `pid` to be gone and then
    // starts `executable`. Both travel as positional parameters, so no character of the path is
    // ever read as shell syntax.
    static QStringList relaunchArguments(qint32 pid, const QString& executable);
    static inline const QString relaunchShell = QStringLiteral("/bin/sh");

private:
    void handleSettingsSignal();

    Environment m_environment;
    SignalListener m_signals;
    // Declared before the controller: the bar must outlive the items the controller put into it.
    std::unique_ptr<StatusBar> m_statusBar;
    std::unique_ptr<StatusBarController> m_statusBarController;
};
