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
        qsizetype written = 0;
        while (error == 0 && written < bytes.size()) {
            const ssize_t n = ::write(fd.get(), bytes.constData() + written, size_t(bytes.size() - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                error = n < 0 ? errno : EIO;
            else
                written += n;
        }
        if (error == 0 && ::fsync(fd.get()) != 0)
            error = errno;
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

QString moveAside(const QString& target)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = target + QStringLiteral(".corrupt-") + stamp;
    for (int i = 1; QFileInfo::exists(aside); ++i)
        aside = target + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(i);
    if (::rename(QFile::encodeName(target).constData(), QFile::encodeName(aside).constData()) != 0)
        return {};
    return aside;
}

} // namespace PreferencesFile
