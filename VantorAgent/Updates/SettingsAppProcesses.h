#pragma once

#include <QList>
#include <QString>

// The running copies of the settings app, and how to make them quit. An update replaces the
// settings app's bundle, so none may keep running from it.
class SettingsAppProcesses {
public:
    virtual ~SettingsAppProcesses() = default;
    // Process ids of every running settings app.
    virtual QList<qint32> running() = 0;
    // Asks the process to quit (it may save and close first).
    virtual void terminate(qint32 pid) = 0;
    virtual void forceTerminate(qint32 pid) = 0;
    virtual bool hasTerminated(qint32 pid) = 0;
};

// The processes of this machine: a settings app is a process whose executable is a bundle's
// "Contents/MacOS/Vantor" with the settings app's identifier. Quitting is SIGTERM, forcing SIGKILL.
class SystemSettingsAppProcesses final : public SettingsAppProcesses {
public:
    // `within`: only apps installed under this folder count (empty: any); tests keep to their own.
    explicit SystemSettingsAppProcesses(QString within = {}, QString procRoot = QStringLiteral("/proc"));
    QList<qint32> running() override;
    void terminate(qint32 pid) override;
    void forceTerminate(qint32 pid) override;
    bool hasTerminated(qint32 pid) override;

private:
    QString m_within;
    QString m_procRoot;
};
