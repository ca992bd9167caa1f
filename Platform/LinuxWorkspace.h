#pragma once

#include "Workspace.h"

// The Linux desktop: programs start through QProcess, installed applications are found through
// their desktop entries in the XDG data directories.
class LinuxWorkspace final : public Workspace {
    Q_OBJECT
public:
    explicit LinuxWorkspace(QObject* parent = nullptr);

    bool launchApplication(const QString& executable, const QStringList& arguments,
        const QList<QPair<QString, QString>>& environment) override;
    std::optional<QString> applicationPath(const QString& bundleIdentifier) override;

    // The desktop entries searched, most important first ($XDG_DATA_HOME, then $XDG_DATA_DIRS).
    static QStringList applicationDirectories();
    // Reads X-Vantor-Bundle from an entry whose X-Vantor-BundleIdentifier matches.
    static std::optional<QString> bundleFromDesktopEntry(const QString& entryPath, const QString& bundleIdentifier);
};
