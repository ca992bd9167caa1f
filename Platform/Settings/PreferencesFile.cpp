#include "Platform/Settings/PreferencesFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PreferencesFile {
namespace {

const QString kTemporaryMark = QStringLiteral(".tmp-");

// Closes a descriptor on every path out of a function.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now and reports the error of close itself (which can carry a delayed write error).
    int close()
    {
        const int result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

// Writes every byte and flushes it to the disk; 0, or the errno of the step that failed.
int writeAllAndSync(int fd, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        written += n;
    }
    return ::fsync(fd) != 0 ? errno : 0;
}

} // namespace

QString errorText(int error)
{
    return QString::fromLocal8Bit(::strerror(error));
}

ReadResult read(const QString& path, qint64 limit)
{
    ReadResult result;
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer forever.
    Descriptor fd(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        const int error = errno;
        // No file, or a link whose target does not exist yet: an empty domain, and the first
        // write creates the file (through the link, so the link stays).
        if (error == ENOENT)
            return result;
        result.status = ReadResult::Status::unreadable;
        result.problem = errorText(error);
        return result;
    }
    struct stat st { };
    if (::fstat(fd.get(), &st) != 0) {
        const int error = errno;
        result.status = ReadResult::Status::unreadable;
        result.problem = errorText(error);
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.status = ReadResult::Status::unreadable;
        result.problem = QStringLiteral("it is not a regular file");
        return result;
    }
    if (st.st_size > limit) {
        result.status = ReadResult::Status::unreadable;
        result.problem = QStringLiteral("it is larger than %1 bytes").arg(limit);
        return result;
    }
    // The size is a hint only: the file may grow between fstat and read, so the limit is enforced
    // on what is actually read.
    QByteArray bytes;
    bytes.resize(qsizetype(st.st_size) + 1);
    qsizetype total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > limit) {
                result.status = ReadResult::Status::unreadable;
                result.problem = QStringLiteral("it is larger than %1 bytes").arg(limit);
                return result;
            }
            bytes.resize(std::min<qsizetype>(qsizetype(limit) + 1, total * 2 + 4096));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + total, size_t(bytes.size() - total));
        if (n < 0) {
            const int error = errno;
            if (error == EINTR)
                continue;
            result.status = ReadResult::Status::unreadable;
            result.problem = errorText(error);
            return result;
        }
        if (n == 0)
            break;
        total += n;
    }
    bytes.truncate(total);
    result.status = ReadResult::Status::read;
    result.bytes = std::move(bytes);
    return result;
}

std::optional<QJsonObject> parse(const QByteArray& bytes, QString* why)
{
    if (bytes.trimmed().isEmpty())
        return QJsonObject();
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && doc.isObject())
        return doc.object();
    if (why)
        *why = error.error == QJsonParseError::NoError ? QStringLiteral("not an object") : error.errorString();
    return std::nullopt;
}

QString writeTarget(const QString& path)
{
    QString target = path;
    // A bounded walk: a loop of links ends in a file that cannot be read, which refuses the write.
    for (int hops = 0; hops < 16; ++hops) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            return target;
        const QString next = info.symLinkTarget();
        if (next.isEmpty())
            return target;
        target = next;
    }
    return target;
}

bool replace(const QString& target, const QByteArray& bytes, QString* problem)
{
    const QString temp = target + kTemporaryMark + QString::number(::getpid()) + QLatin1Char('-')
        + QString::number(QRandomGenerator::global()->generate(), 16);
    const QByteArray tempName = QFile::encodeName(temp);
    int error = 0;
    {
        Descriptor fd(::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (fd.get() < 0)
            error = errno;
        // A permissive umask cannot widen 0600, but a strange one could narrow it below what we
        // need to keep using the file; say exactly what it is.
        if (error == 0 && ::fchmod(fd.get(), 0600) != 0)
            error = errno;
        if (error == 0)
            error = writeAllAndSync(fd.get(), bytes);
        if (fd.get() >= 0 && fd.close() != 0 && error == 0)
            error = errno;
    }
    if (error == 0 && ::rename(tempName.constData(), QFile::encodeName(target).constData()) != 0)
        error = errno;
    if (error != 0) {
        if (problem)
            *problem = errorText(error);
        ::unlink(tempName.constData());
        return false;
    }
    return true;
}

void removeStaleTemporaries(const QString& target)
{
    const QFileInfo info(target);
    const QString prefix = info.fileName() + kTemporaryMark;
    QDir dir = info.absoluteDir();
    // Compared by hand: the domain name may contain characters that a name filter reads as a pattern.
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (name.startsWith(prefix))
            ::unlink(QFile::encodeName(dir.filePath(name)).constData());
    }
}

QString keepAside(const QString& base, const QByteArray& bytes, QString* problem)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    int error = 0;
    for (int i = 0; i < 100; ++i) {
        const QString aside
            = base + QStringLiteral(".corrupt-") + stamp + (i == 0 ? QString() : QLatin1Char('-') + QString::number(i));
        const QByteArray name = QFile::encodeName(aside);
        Descriptor fd(::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (fd.get() < 0) {
            error = errno;
            if (error == EEXIST)
                continue;
            break;
        }
        error = 0;
        if (::fchmod(fd.get(), 0600) != 0)
            error = errno;
        if (error == 0)
            error = writeAllAndSync(fd.get(), bytes);
        if (fd.close() != 0 && error == 0)
            error = errno;
        if (error == 0)
            return aside;
        ::unlink(name.constData());
        break;
    }
    if (problem)
        *problem = errorText(error == 0 ? EEXIST : error);
    return {};
}

bool isOpenForWriting(const QString& path, const QString& procRoot)
{
    struct stat wanted { };
    if (::stat(QFile::encodeName(path).constData(), &wanted) != 0)
        return false;
    const QDir proc(procRoot);
    const QStringList pids = proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric)
            continue;
        const QString fdDir = procRoot + QLatin1Char('/') + pid + QStringLiteral("/fd");
        const QStringList fds = QDir(fdDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& fd : fds) {
            struct stat st { };
            // stat follows the descriptor's link to the open file itself.
            if (::stat(QFile::encodeName(fdDir + QLatin1Char('/') + fd).constData(), &st) != 0)
                continue;
            if (st.st_dev != wanted.st_dev || st.st_ino != wanted.st_ino)
                continue;
            QFile info(procRoot + QLatin1Char('/') + pid + QStringLiteral("/fdinfo/") + fd);
            if (!info.open(QIODevice::ReadOnly))
                return true; // open, and we cannot tell how: assume the worst
            const QByteArray text = info.read(4096);
            for (const QByteArray& line : text.split('\n')) {
                if (!line.startsWith("flags:"))
                    continue;
                bool ok = false;
                const int flags = line.mid(6).trimmed().toInt(&ok, 8);
                if (!ok || (flags & O_ACCMODE) != O_RDONLY)
                    return true;
            }
        }
    }
    return false;
}

bool makePrivateDirectory(const QString& directory, QString* problem)
{
    const QString clean = QDir::cleanPath(QDir(directory).absolutePath());
    // Walk down from the root, creating only what is missing.
    QString path;
    const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        path += QLatin1Char('/') + part;
        const QByteArray name = QFile::encodeName(path);
        if (::mkdir(name.constData(), 0700) == 0) {
            // mkdir's mode passes through the umask; a folder we make is ours alone, exactly.
            ::chmod(name.constData(), 0700);
            continue;
        }
        const int error = errno;
        if (error == EEXIST) {
            struct stat st { };
            if (::stat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode))
                continue;
            if (problem)
                *problem = QStringLiteral("%1 is not a folder").arg(path);
            return false;
        }
        if (problem)
            *problem = QStringLiteral("%1: %2").arg(path, errorText(error));
        return false;
    }
    return true;
}

} // namespace PreferencesFile
