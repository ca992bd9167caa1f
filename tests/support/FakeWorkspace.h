#pragma once

#include "Platform/Workspace/Workspace.h"

#include <QMap>

// Records launches and answers lookups from a table; tests raise the sleep and session signals.
class FakeWorkspace final : public Workspace {
public:
    struct Launch {
        QString executable;
        QStringList arguments;
        QList<QPair<QString, QString>> environment;
    };

    bool launchApplication(const QString& executable, const QStringList& arguments,
        const QList<QPair<QString, QString>>& environment) override
    {
        launches.append({executable, arguments, environment});
        return launchSucceeds;
    }
    std::optional<QString> applicationPath(const QString& bundleIdentifier) override
    {
        if (installed.contains(bundleIdentifier))
            return installed.value(bundleIdentifier);
        return std::nullopt;
    }

    QList<Launch> launches;
    QMap<QString, QString> installed;
    bool launchSucceeds = true;
};
