#pragma once

#include "Platform/Workspace/Workspace.h"

// The Linux desktop: programs start through QProcess, installed applications are found through
// their desktop entries in the XDG data directories.
//
// Sleep and session activity come from the desktop's services once somebody listens for them:
// the login manager's PrepareForSleep on the system bus (the machine is about to sleep or has
// woken), the login session's Active property (another user's session took the seat), and the
// screen saver's ActiveChanged on the session bus (the screen is locked or blanked). A bus or
// service that is absent is simply not observed.
class LinuxWorkspace final : public Workspace {
    Q_OBJECT
public:
    // `observeDesktop` false: the bus services are never asked (tests feed the events directly).
    explicit LinuxWorkspace(QObject* parent = nullptr, bool observeDesktop = true);

    bool launchApplication(const QString& executable, const QStringList& arguments,
        const QList<QPair<QString, QString>>& environment) override;
    std::optional<QString> applicationPath(const QString& bundleIdentifier) override;

    // The desktop entries searched, most important first ($XDG_DATA_HOME, then $XDG_DATA_DIRS).
    static QStringList applicationDirectories();
    // Reads X-Vantor-Bundle from an entry whose X-Vantor-BundleIdentifier matches.
    static std::optional<QString> bundleFromDesktopEntry(const QString& entryPath, const QString& bundleIdentifier);

    // The events of the desktop's services. The session counts as active while the login session
    // is active and the screen saver is not; each change of that, and of sleeping, is signalled
    // once however many services report it.
    void setPreparingForSleep(bool sleeping);
    void setLoginSessionActive(bool active);
    void setScreenSaverActive(bool active);

protected:
    void connectNotify(const QMetaMethod& signal) override;

private slots:
    void onPrepareForSleep(bool sleeping);
    void onScreenSaverActiveChanged(bool active);
    void onSessionPropertiesChanged(
        const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    void observeDesktop();
    void observeLoginSession(const QString& sessionPath);
    void queryLoginSessionActive();
    void setSessionState(bool loginActive, bool screenSaverActive);

    bool m_mayObserve = true;
    bool m_observing = false;
    bool m_sleeping = false;
    bool m_loginSessionActive = true;
    bool m_screenSaverActive = false;
    QString m_sessionPath;
};
