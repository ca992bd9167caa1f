#pragma once

#include "Platform/Bundles/Bundle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <optional>

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

// What the picture tools take: `[--bundle <VantorAgent.app>] [--scale <n>] [<output.png>]`.
struct SheetArguments {
    QString output;
    double scale;
};

// Reads the arguments and makes the named agent bundle (or the one found beside the tool) the main
// bundle, so symbols and texts come from it. None, with the reason on standard error, when no
// bundle is found.
inline std::optional<SheetArguments> takeSheetArguments(
    const char* tool, const QString& defaultOutput, double defaultScale, double largestScale)
{
    SheetArguments result {defaultOutput, defaultScale};
    QString bundle;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--bundle") && i + 1 < args.size())
            bundle = args[++i];
        else if (args[i] == QLatin1String("--scale") && i + 1 < args.size())
            result.scale = std::clamp(args[++i].toDouble(), 1.0, largestScale);
        else
            result.output = args[i];
    }
    if (bundle.isEmpty())
        bundle = findAgentBundle();
    if (bundle.isEmpty()) {
        QTextStream(stderr) << tool << ": no VantorAgent.app found; pass --bundle\n";
        return std::nullopt;
    }
    Bundle::setMainBundlePathForTesting(bundle);
    return result;
}

} // namespace ToolBundles
