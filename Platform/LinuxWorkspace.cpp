#include "LinuxWorkspace.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTextStream>

LinuxWorkspace::LinuxWorkspace(QObject* parent)
    : Workspace(parent)
{
}

bool LinuxWorkspace::launchApplication(
    const QString& executable, const QStringList& arguments, const QList<QPair<QString, QString>>& environment)
{
    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        env.insert(name, value);
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

QStringList LinuxWorkspace::applicationDirectories()
{
    QStringList bases;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty())
        home = QDir::homePath() + QStringLiteral("/.local/share");
    bases.append(home);
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    bases.append(dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts));
    QStringList result;
    for (const QString& base : std::as_const(bases))
        result.append(base + QStringLiteral("/applications"));
    return result;
}

std::optional<QString> LinuxWorkspace::bundleFromDesktopEntry(const QString& entryPath, const QString& bundleIdentifier)
{
    QFile file(entryPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QString identifier, bundle;
    bool inEntry = false;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("X-Vantor-BundleIdentifier"))
            identifier = value;
        else if (key == QLatin1String("X-Vantor-Bundle"))
            bundle = value;
    }
    if (identifier != bundleIdentifier || bundle.isEmpty())
        return std::nullopt;
    return bundle;
}

std::optional<QString> LinuxWorkspace::applicationPath(const QString& bundleIdentifier)
{
    for (const QString& dir : applicationDirectories()) {
        const QString entry = dir + QLatin1Char('/') + bundleIdentifier + QStringLiteral(".desktop");
        if (auto bundle = bundleFromDesktopEntry(entry, bundleIdentifier))
            return bundle;
    }
    return std::nullopt;
}
