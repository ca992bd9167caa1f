#include "Platform/Desktop/DesktopApplications.h"

#include "Platform/Files/DirectoryEntries.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

namespace {

// Desktop entries are small; anything larger is not one.
constexpr qint64 kMaxEntrySize = 256 * 1024;

// The first word of an Exec line, honouring double quotes; "env A=b prog" names prog.
QString firstProgram(const QString& exec)
{
    QStringList words;
    QString word;
    bool quoted = false;
    bool inWord = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (c == QLatin1Char('\\') && quoted && i + 1 < exec.size()) {
            word.append(exec.at(++i));
        } else if (c.isSpace() && !quoted) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    qsizetype i = 0;
    if (i < words.size() && QFileInfo(words[i]).fileName() == QLatin1String("env")) {
        ++i;
        while (i < words.size() && (words[i].contains(QLatin1Char('=')) || words[i].startsWith(QLatin1Char('-'))))
            ++i;
    }
    return i < words.size() ? words[i] : QString();
}

// Programs that run other programs: an entry that starts one says nothing about which
// application a process of that program belongs to.
bool isLauncher(const QString& name)
{
    static const QSet<QString> launchers {QStringLiteral("sh"), QStringLiteral("bash"), QStringLiteral("dash"),
        QStringLiteral("zsh"), QStringLiteral("perl"), QStringLiteral("ruby"), QStringLiteral("java"),
        QStringLiteral("node"), QStringLiteral("gjs"), QStringLiteral("flatpak"), QStringLiteral("snap"),
        QStringLiteral("env"), QStringLiteral("xdg-open"), QStringLiteral("wine"), QStringLiteral("pkexec"),
        QStringLiteral("sudo")};
    return launchers.contains(name) || name.startsWith(QLatin1String("python"));
}

} // namespace

DesktopApplications::DesktopApplications(QStringList dataDirs)
    : m_dataDirs(std::move(dataDirs))
{
}

QStringList DesktopApplications::standardDataDirs()
{
    QStringList dirs;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    dirs.append(home.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : home);
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : system.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs.append(dir);
    return dirs;
}

std::optional<DesktopApplications::Entry> DesktopApplications::parse(QByteArrayView text)
{
    bool inMain = false;
    QString type;
    QString exec;
    QString tryExec;
    QString icon;
    bool hidden = false;
    for (const QByteArrayView rawLine : QByteArray::fromRawData(text.data(), text.size()).split('\n')) {
        const QByteArrayView line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            inMain = line == "[Desktop Entry]";
            continue;
        }
        if (!inMain)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArrayView key = line.first(equals).trimmed();
        const QString value = QString::fromUtf8(line.sliced(equals + 1).trimmed());
        if (key == "Type")
            type = value;
        else if (key == "Exec")
            exec = value;
        else if (key == "TryExec")
            tryExec = value;
        else if (key == "Icon")
            icon = value;
        else if (key == "Hidden")
            hidden = value == QLatin1String("true");
    }
    if (type != QLatin1String("Application") || hidden || icon.isEmpty())
        return std::nullopt;
    QString program = firstProgram(exec);
    if (program.isEmpty())
        program = tryExec;
    if (program.isEmpty())
        return std::nullopt;
    return Entry {program, icon};
}

void DesktopApplications::add(const Entry& entry)
{
    if (isLauncher(QFileInfo(entry.program).fileName()))
        return;
    QString path = entry.program;
    if (!QFileInfo(path).isAbsolute())
        path = QStandardPaths::findExecutable(path);
    const QString resolved = path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
    if (!resolved.isEmpty() && !m_byPath.contains(resolved))
        m_byPath.insert(resolved, entry.icon);
    const QString name = QFileInfo(entry.program).fileName();
    if (!name.isEmpty() && !m_byName.contains(name))
        m_byName.insert(name, entry.icon);
}

void DesktopApplications::load()
{
    m_loaded = true;
    // The same desktop file id in a later directory is shadowed by the earlier one.
    QSet<QString> seen;
    for (const QString& dataDir : m_dataDirs) {
        const QString root = dataDir + QStringLiteral("/applications");
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!DirectoryEntries::matches(it.fileName(), {}, u".desktop"))
                continue;
            const QString id = QDir(root).relativeFilePath(path);
            if (seen.contains(id))
                continue;
            seen.insert(id);
            QFile file(path);
            if (file.size() > kMaxEntrySize || !file.open(QIODevice::ReadOnly))
                continue;
            if (const std::optional<Entry> entry = parse(file.read(kMaxEntrySize)))
                add(*entry);
        }
    }
}

std::optional<QString> DesktopApplications::iconFor(const QString& executablePath)
{
    if (!m_loaded)
        load();
    if (executablePath.isEmpty())
        return std::nullopt;
    const QString resolved = QFileInfo(executablePath).canonicalFilePath();
    if (const auto found = m_byPath.constFind(resolved.isEmpty() ? executablePath : resolved);
        found != m_byPath.constEnd())
        return *found;
    if (const auto found = m_byName.constFind(QFileInfo(executablePath).fileName()); found != m_byName.constEnd())
        return *found;
    return std::nullopt;
}
