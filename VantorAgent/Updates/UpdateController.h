#pragma once

#include "Platform/Updates/UpdateUserDriver.h"
#include "Platform/Updates/Updater.h"
#include "Platform/Updates/UpdaterDelegate.h"
#include "VantorAgent/Updates/SettingsAppProcesses.h"
#include "VantorShared/Settings/SignalListener.h"

#include <QMetaObject>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

// The agent's single driver of the update framework for the whole installation (the settings
// app with the agent inside it). It decides whether updates are possible at all, keeps the
// automatic-check flag in step with the shared store, tells the settings app whether a check can
// start, runs a check when the settings app asks for one, publishes found updates as the update
// offer, and closes the settings app before an update replaces it.
class UpdateController : public QObject, private UpdaterDelegate {
    Q_OBJECT
public:
    // The outside world of the controller; tests replace parts of it.
    struct Environment {
        // The agent's own bundle.
        QString agentBundlePath;
        QProcessEnvironment processEnvironment;
        // Why the installation must leave updating to someone else; none when it may update itself.
        std::function<std::optional<QString>(const QString& hostBundlePath)> installationReason;
        std::function<std::unique_ptr<UpdateUserDriver>()> makeUserDriver;
        std::function<std::unique_ptr<Updater>(const QString& hostBundlePath, const QString& applicationBundlePath,
            UpdateUserDriver* userDriver, UpdaterDelegate* delegate)>
            makeUpdater;
        std::shared_ptr<SettingsAppProcesses> settingsApps;
        // How long a settings app may take to quit before it is forced, and how often to look.
        std::chrono::milliseconds quitTimeout {4000};
        std::chrono::milliseconds quitPollInterval {100};

        static Environment system();
    };

    // The package that installs Vantor system-wide; such an installation never updates itself.
    static inline const QString packageName = QStringLiteral("vantor");

    explicit UpdateController(Environment environment = Environment::system(), QObject* parent = nullptr);
    ~UpdateController() override;

    // The agent's one controller, created on first use.
    static UpdateController& shared();

    // Called once, after the agent has built its engine and its menu bar.
    void start();
    // True from the start of a download until the update cycle ends; a language relaunch waits.
    bool isBusy() const { return m_busy; }

    // The settings app around an agent bundle at …/Vantor.app/Contents/Library/LoginItems/
    // VantorAgent.app: four levels up, when that is an ".app" folder.
    static std::optional<QString> hostBundleURL(const QString& agentBundlePath);

    Updater* updater() const { return m_updater.get(); }
    UpdateUserDriver* userDriver() const { return m_userDriver.get(); }
    UpdaterDelegate& delegate() { return *this; }
    const SignalListener& signalListener() const { return m_signals; }

private:
    void didFindValidUpdate(const AppcastItem& item) override;
    void didNotFindUpdate(const UpdateError& error) override;
    void userDidMakeChoice(UpdateChoice choice, const AppcastItem& item) override;
    void didAbortWithError(const UpdateError& error) override;
    void willDownloadUpdate(const AppcastItem& item) override;
    void didFinishUpdateCycle(const std::optional<UpdateError>& error) override;
    bool shouldRelaunchApplication() override { return true; }
    void willInstallUpdate(const AppcastItem& item) override;

    void publish(const std::optional<QString>& offer);
    void adoptAutomaticCheckSetting();
    void closeSettingsApps();

    Environment m_environment;
    // Declared after the user driver it refers to, so that it goes first.
    std::unique_ptr<UpdateUserDriver> m_userDriver;
    std::unique_ptr<Updater> m_updater;
    SignalListener m_signals;
    QList<QMetaObject::Connection> m_observations;
    bool m_busy = false;
    bool m_started = false;
};
