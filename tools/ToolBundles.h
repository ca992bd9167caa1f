#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>

// The developer tools run from the build tree; the agent bundle they draw with sits a few levels
// above them.
namespace ToolBundles {

inline QString findAgentBundle()
{
    QDir dir(QCoreApplication::applicationDirPath());
    for (int up = 0; up < 4; ++up) {
        const QString candidate
            = dir.filePath(QStringLiteral("Vantor.app/Contents/Library/LoginItems/VantorAgent.app"));
        if (QFileInfo::exists(candidate))
            return candidate;
        if (!dir.cdUp())
            break;
    }
    return {};
}

} // namespace ToolBundles
