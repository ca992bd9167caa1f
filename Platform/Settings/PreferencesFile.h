#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>

// The file-level jobs of a preferences domain: reading the file safely, parsing it, and replacing
// it atomically. Nothing here keeps state; the domain decides what to do with each outcome.
namespace PreferencesFile {

// Larger files are refused rather than read: a settings file never legitimately gets near this,
// and a link to an endless device must not take the whole memory.
inline constexpr qint64 sizeLimit = 16 * 1024 * 1024;

struct ReadResult {
    enum class Status {
        missing, // no file: the domain is empty
        read, // `bytes` holds the whole file
        unreadable, // it exists but cannot be read (permissions, I/O error, not a regular file, too large)
    };
    Status status = Status::missing;
    QByteArray bytes;
    // For `unreadable`: the cause in words, with the system's own error text where there is one.
    QString problem;
};

// Reads `path` (following symbolic links) only when it is a regular file no larger than `limit`.
// Opening never blocks, so a named pipe is refused instead of hanging the caller.
ReadResult read(const QString& path, qint64 limit = sizeLimit);

// The top-level JSON object in `bytes`; an empty or blank file is an empty object. None for
// anything that is not a JSON object, with the reason in `why`.
std::optional<QJsonObject> parse(const QByteArray& bytes, QString* why = nullptr);

// The file a write must replace: `path` itself, or the final target when `path` is a symbolic link
// (dotfile managers link the settings file from elsewhere, and the link must stay a link).
QString writeTarget(const QString& path);

// Writes `bytes` to a private temporary file (0600 whatever the umask) beside `target`, syncs it
// and renames it over `target`. On failure nothing is replaced and `problem` says why.
bool replace(const QString& target, const QByteArray& bytes, QString* problem);

// The advisory lock every writer of the domain file `path` takes. It sits beside the path the
// domain was opened with, in our own settings folder, never beside a link's target: a link must not
// make us create files where someone else chose.
inline QString lockPath(const QString& path)
{
    return path + QStringLiteral(".lock");
}

// Removes temporary files that writers killed mid-write left beside `target`. Only safe while
// holding the domain's lock, since every live writer holds it while its temporary file exists.
void removeStaleTemporaries(const QString& target);

// Keeps `bytes`, the contents of a file that did not parse, as "<base>.corrupt-<UTC time>" (a new
// private file; the original is never renamed, since whoever is still writing it would then write
// into the copy). The new name, or empty on failure with `problem` set.
QString keepAside(const QString& base, const QByteArray& bytes, QString* problem = nullptr);

// Whether any process this user can see has `path` open for writing (an editor part-way through a
// save). Looks through <procRoot>/<pid>/fd; processes it cannot look into count as not writing.
bool isOpenForWriting(const QString& path, const QString& procRoot = QStringLiteral("/proc"));

// Creates `directory` and any missing parent as private folders (0700, whatever the umask);
// folders that already exist are left as they are. False with `problem` set on failure.
bool makePrivateDirectory(const QString& directory, QString* problem = nullptr);

// The system's text for an error number, captured before anything else can change errno.
QString errorText(int error);

} // namespace PreferencesFile
