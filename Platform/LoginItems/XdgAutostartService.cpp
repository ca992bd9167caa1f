#include "Platform/LoginItems/XdgAutostartService.h"

#include "Platform/Logging/PlatformLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far beyond any real entry; a huge or endless file is not read whole.
constexpr qint64 largestEntry = 64 * 1024;

QString unescapeString(const QString& value)
{
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            text.append(c);
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            text.append(QLatin1Char(' '));
            break;
        case 'n':
            text.append(QLatin1Char('\n'));
            break;
        case 't':
            text.append(QLatin1Char('\t'));
            break;
        case 'r':
            text.append(QLatin1Char('\r'));
            break;
        case '\\':
            text.append(QLatin1Char('\\'));
            break;
        default:
            // Not a string escape: it belongs to the next level (an argument's quoting).
            text.append(c);
            text.append(next);
        }
    }
    return text;
}

bool isTrue(const QString& value)
{
    return value.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

bool isFalse(const QString& value)
{
    return value.trimmed().compare(QLatin1String("false"), Qt::CaseInsensitive) == 0;
}

// The entry at `path`; none when it cannot be read.
std::optional<XdgAutostartService::EntryReading> readEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return XdgAutostartService::readEntryText(file.read(largestEntry));
}

bool programExists(const QString& program)
{
    if (program.isEmpty())
        return false;
    if (!QDir::isAbsolutePath(program))
        return !QStandardPaths::findExecutable(program).isEmpty();
    const QFileInfo info(program);
    return info.isFile() && info.isExecutable();
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Makes `directory` and any missing folder above it, each 0700 whatever the umask: the folders
// hold what runs at every login. Folders that exist already keep their modes.
std::optional<QString> makePrivateFolders(const QString& directory)
{
    const QString clean = QDir::cleanPath(directory);
    QStringList missing;
    for (QString path = clean; !QFileInfo(path).exists() && !QFileInfo(path).isSymLink();
         path = QFileInfo(path).path()) {
        if (path == QLatin1String("/") || path.isEmpty())
            break;
        missing.prepend(path);
    }
    for (const QString& path : std::as_const(missing)) {
        const QByteArray native = QFile::encodeName(path);
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return QStringLiteral("cannot make %1: %2").arg(path, errnoText());
        // The umask may have taken bits that the owner needs.
        const int descriptor = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (descriptor >= 0) {
            struct stat status { };
            if (::fstat(descriptor, &status) == 0 && status.st_uid == ::geteuid() && (status.st_mode & 07777) != 0700)
                ::fchmod(descriptor, 0700);
            ::close(descriptor);
        }
    }
    if (!QFileInfo(clean).isDir())
        return QStringLiteral("%1 is not a folder").arg(clean);
    return std::nullopt;
}

// Replaces the file at `path` with `text`, whole or not at all (a session that starts meanwhile
// never sees half an entry), mode 0644 whatever the umask. A link planted at the temporary name
// is never followed.
std::optional<QString> writeEntryFile(const QString& path, const QByteArray& text)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".new";
    ::unlink(temporary.constData());
    const int descriptor = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (descriptor < 0)
        return errnoText();
    bool written = ::fchmod(descriptor, 0644) == 0;
    for (qsizetype done = 0; written && done < text.size();) {
        const ssize_t count = ::write(descriptor, text.constData() + done, size_t(text.size() - done));
        if (count < 0 && errno == EINTR)
            continue;
        written = count > 0;
        done += count > 0 ? count : 0;
    }
    written = written && ::fsync(descriptor) == 0;
    const QString failure = written ? QString() : errnoText();
    ::close(descriptor);
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        const QString reason = failure.isEmpty() ? errnoText() : failure;
        ::unlink(temporary.constData());
        return reason;
    }
    return std::nullopt;
}

bool startDetached(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

} // namespace

XdgAutostartService::XdgAutostartService(const QString& identifier, const QString& program, const QString& displayName,
    const QString& autostartDirectory, Launcher launcher)
    : m_identifier(identifier)
    , m_program(program)
    , m_displayName(displayName)
    , m_directory(autostartDirectory.isEmpty() ? userAutostartDirectory() : autostartDirectory)
    , m_entryPath(m_directory + QLatin1Char('/') + identifier + QStringLiteral(".desktop"))
    , m_launcher(launcher ? std::move(launcher) : Launcher(startDetached))
{
}

QString XdgAutostartService::userAutostartDirectory()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG base directory rules ignore a relative value.
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/autostart"));
}

LoginItemStatus XdgAutostartService::status() const
{
    const QFileInfo info(m_entryPath);
    if (!info.exists() && !info.isSymLink())
        return LoginItemStatus::notRegistered;
    const auto entry = readEntry(m_entryPath);
    // An entry we cannot read, or one that starts nothing that exists, can only be replaced. A
    // path with a % in it counts as nothing: launchers look up the program before they expand
    // the escaped %%, find no such file and start nothing.
    if (!entry || !programExists(entry->program) || entry->program.contains(QLatin1Char('%')))
        return LoginItemStatus::notFound;
    return entry->switchedOff ? LoginItemStatus::requiresApproval : LoginItemStatus::enabled;
}

std::optional<LoginItemError> XdgAutostartService::registerItem()
{
    const auto text = entryText(m_identifier, m_program, m_displayName);
    if (!text)
        return LoginItemError {LoginItemError::invalidSignature,
            QStringLiteral("the program's path cannot be written into an autostart entry")};
    if (status() == LoginItemStatus::enabled) {
        const auto entry = readEntry(m_entryPath);
        if (entry && entry->program == m_program)
            return LoginItemError {LoginItemError::alreadyRegistered, QStringLiteral("already registered")};
    }
    if (const auto reason = makePrivateFolders(m_directory))
        return LoginItemError {LoginItemError::failed, *reason};
    if (const auto reason = writeEntryFile(m_entryPath, *text))
        return LoginItemError {LoginItemError::failed, *reason};
    return std::nullopt;
}

std::optional<LoginItemError> XdgAutostartService::unregisterItem()
{
    const QFileInfo info(m_entryPath);
    if (!info.exists() && !info.isSymLink())
        return LoginItemError {LoginItemError::jobNotFound, QStringLiteral("no such autostart entry")};
    QFile file(m_entryPath);
    if (!file.remove())
        return LoginItemError {LoginItemError::failed, file.errorString()};
    return std::nullopt;
}

void XdgAutostartService::openSystemSettings()
{
    const auto command = startupSettingsCommand(qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
        [](const QString& name) { return QStandardPaths::findExecutable(name); });
    if (command && m_launcher(command->program, command->arguments))
        return;
    makePrivateFolders(m_directory);
    if (!m_launcher(QStringLiteral("xdg-open"), {m_directory}))
        qCWarning(lcPlatform, "could not open the autostart folder %s", qPrintable(m_directory));
}

XdgAutostartService::EntryReading XdgAutostartService::readEntryText(const QByteArray& bytes)
{
    const QString text = QString::fromUtf8(bytes.left(largestEntry));
    EntryReading state;
    bool inMain = false;
    bool sawExec = false;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!inMain || eq <= 0)
            continue;
        const QStringView key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed().toString();
        if (key == QLatin1String("Exec") && !sawExec) {
            sawExec = true;
            state.program = programFromExec(value);
        } else if (key == QLatin1String("Hidden")) {
            state.switchedOff = state.switchedOff || isTrue(value);
        } else if (key.startsWith(QLatin1String("X-"))
            && key.endsWith(QLatin1String("-Autostart-enabled"), Qt::CaseInsensitive)) {
            // GNOME, MATE and others keep their own switch beside Hidden.
            state.switchedOff = state.switchedOff || isFalse(value);
        }
    }
    return state;
}

std::optional<QByteArray> XdgAutostartService::entryText(
    const QString& identifier, const QString& program, const QString& displayName)
{
    // Launchers check that the program exists before they expand field codes, so a % (escaped as
    // %%) leaves them looking for a file that is not there: such a path is refused, not written.
    if (!QDir::isAbsolutePath(program) || program.contains(QLatin1Char('%')))
        return std::nullopt;
    for (const QChar c : program)
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
    QString name = displayName;
    name.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    name.replace(QLatin1Char('\n'), QLatin1Char(' '));
    name.replace(QLatin1Char('\r'), QLatin1Char(' '));
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    text += QStringLiteral("Name=") + name + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + execValue(program) + QLatin1Char('\n');
    text += QStringLiteral("Icon=com.quillon.vantor\n");
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    text += QStringLiteral("X-Vantor-BundleIdentifier=") + identifier + QLatin1Char('\n');
    return text.toUtf8();
}

QString XdgAutostartService::execValue(const QString& program)
{
    // Argument level: always quoted, so spaces and reserved characters need no thought; inside
    // the quotes ", `, $ and \ take a backslash. Field codes: a literal % is %%.
    QString argument = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            argument.append(QLatin1Char('\\'));
        argument.append(c);
        if (c == QLatin1Char('%'))
            argument.append(QLatin1Char('%'));
    }
    argument.append(QLatin1Char('"'));
    // String level, undone by readers first: every backslash is doubled.
    argument.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return argument;
}

QString XdgAutostartService::programFromExec(const QString& value)
{
    const QString exec = unescapeString(value).trimmed();
    QString program;
    if (exec.startsWith(QLatin1Char('"'))) {
        bool closed = false;
        for (qsizetype i = 1; i < exec.size(); ++i) {
            const QChar c = exec.at(i);
            if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
                program.append(exec.at(++i));
            } else if (c == QLatin1Char('"')) {
                closed = true;
                break;
            } else {
                program.append(c);
            }
        }
        if (!closed)
            return {};
    } else {
        const qsizetype end = exec.indexOf(QLatin1Char(' '));
        program = end < 0 ? exec : exec.left(end);
    }
    program.replace(QLatin1String("%%"), QLatin1String("%"));
    return program;
}

std::optional<XdgAutostartService::Command> XdgAutostartService::startupSettingsCommand(
    const QString& desktops, const std::function<QString(const QString&)>& findExecutable)
{
    struct Known {
        const char* desktop;
        const char* program;
        const char* argument;
    };
    // Where each desktop lets the user see and switch off the programs started at login.
    static const Known known[] = {
        {"GNOME", "gnome-session-properties", nullptr},
        {"GNOME", "gnome-tweaks", nullptr},
        {"UNITY", "gnome-session-properties", nullptr},
        {"BUDGIE", "gnome-session-properties", nullptr},
        {"KDE", "systemsettings", "kcm_autostart"},
        {"KDE", "systemsettings5", "kcm_autostart"},
        {"XFCE", "xfce4-session-settings", nullptr},
        {"MATE", "mate-session-properties", nullptr},
        {"X-CINNAMON", "cinnamon-settings", "startup"},
        {"CINNAMON", "cinnamon-settings", "startup"},
        {"LXQT", "lxqt-config-session", nullptr},
    };
    for (const QString& desktop : desktops.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        for (const Known& entry : known) {
            if (desktop.trimmed().compare(QLatin1String(entry.desktop), Qt::CaseInsensitive) != 0)
                continue;
            const QString program = findExecutable(QLatin1String(entry.program));
            if (program.isEmpty())
                continue;
            Command command {program, {}};
            if (entry.argument)
                command.arguments.append(QLatin1String(entry.argument));
            return command;
        }
    }
    return std::nullopt;
}
