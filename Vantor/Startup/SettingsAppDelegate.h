#pragma once

#include "VantorShared/Settings/SignalListener.h"

#include <QMetaObject>
#include <QObject>
#include <QStringList>

#include <functional>

class QWidget;

// The settings app's delegate: the launch sequence, forwarding every settings change to the
// agent, answering the agent's request to show the window, and the relaunch that picks up a new
// interface language.
class SettingsAppDelegate : public QObject {
    Q_OBJECT
public:
    // The process's outside world; tests replace parts of it.
    struct Environment {
        qint32 pid = 0;
        // Asks the application to quit through its normal path.
        std::function<void()> terminate;
        // Starts a program detached from this process, with this process's environment.
        std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
        // The program a relaunch starts: this app's own executable.
        std::function<QString()> executablePath;
        // Whether one of the app's windows has the focus.
        std::function<bool()> isActive;
        // The settings window, or null while there is none.
        std::function<QWidget*()> window;
        // Creates and shows the settings window.
        std::function<void()> presentWindow;
        // Starts the agent when the user wants it running.
        std::function<void()> launchAgent;
        // Once per installation: drops login registrations left by older versions.
        std::function<void()> unregisterLegacyLoginItem;

        static Environment system();
    };

    explicit SettingsAppDelegate(Environment environment = Environment::system(), QObject* parent = nullptr);
    ~SettingsAppDelegate() override;

    void applicationDidFinishLaunching();
    // Closing the settings window quits the app; the agent keeps running.
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
    // The app lost the focus to another application.
    void applicationDidResignActive();
    bool isRelaunchPending() const { return m_relaunchPending; }
    // Brings the settings window to the front, if there is one.
    void bringWindowToFront();

    const SignalListener& signalListener() const { return m_signals; }

    // The shell waits for `pid` to be gone and then starts `executable` in the background. Both
    // travel as positional parameters, so no character of the path is ever read as shell syntax.
    static QStringList relaunchArguments(qint32 pid, const QString& executable);
    static inline const QString relaunchShell = QStringLiteral("/bin/sh");
    // The argument of a relaunched copy: it shows its window without taking the focus.
    static inline const QString backgroundArgument = QStringLiteral("--background");

private:
    void storeDidChange();
    void relaunchWhenInactive();
    void relaunch();
    void presentWindowIfMissing();

    Environment m_environment;
    SignalListener m_signals;
    QMetaObject::Connection m_defaultsObserver;
    // Set while a relaunch waits for the app to lose the focus.
    bool m_relaunchPending = false;
    QMetaObject::Connection m_relaunchObserver;
    bool m_inStoreHandler = false;
};
