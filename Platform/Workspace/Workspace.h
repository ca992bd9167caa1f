#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// The desktop session as the programs see it: starting other programs, finding installed ones,
// and the sleep, wake and session-activity events that pause and resume sampling.
class Workspace : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Workspace() override = default;

    // Starts `executable` detached, with this process's environment plus `environment`.
    virtual bool launchApplication(
        const QString& executable, const QStringList& arguments, const QList<QPair<QString, QString>>& environment)
        = 0;
    // The bundle path of the installed application with this bundle identifier.
    virtual std::optional<QString> applicationPath(const QString& bundleIdentifier) = 0;

    // The process-wide workspace (the Linux desktop unless a test replaced it).
    static Workspace& shared();
    // For tests: replace the shared workspace (nullptr restores the default). Not owned.
    static void setShared(Workspace* workspace);

signals:
    void screensDidSleep();
    void screensDidWake();
    void sessionDidResignActive();
    void sessionDidBecomeActive();
};
