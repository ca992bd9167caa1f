#include "Platform/Updates/InstallationLock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

InstallationLock::InstallationLock(int descriptor)
    : m_descriptor(descriptor)
{
}

InstallationLock::InstallationLock(InstallationLock&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1))
{
}

InstallationLock& InstallationLock::operator=(InstallationLock&& other) noexcept
{
    if (this != &other) {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = std::exchange(other.m_descriptor, -1);
    }
    return *this;
}

InstallationLock::~InstallationLock()
{
    // Closing the last descriptor releases the flock.
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

QString InstallationLock::pathFor(const QString& installedBundle)
{
    const QFileInfo bundle(installedBundle);
    return bundle.absolutePath() + QStringLiteral("/.") + bundle.fileName() + QStringLiteral(".lock");
}

std::optional<InstallationLock> InstallationLock::tryAcquire(const QString& installedBundle, QString* reason)
{
    const QByteArray path = QFile::encodeName(pathFor(installedBundle));
    // No link is followed: a planted one would make us create or lock a file someone else chose.
    const int descriptor = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        if (reason)
            *reason = QStringLiteral("cannot open the lock file %1: %2")
                          .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)));
        return std::nullopt;
    }
    struct stat status { };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) {
        ::close(descriptor);
        if (reason)
            *reason = QStringLiteral("the lock file %1 is not a file of this user").arg(QFile::decodeName(path));
        return std::nullopt;
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(descriptor);
        if (reason)
            *reason = error == EWOULDBLOCK
                ? QStringLiteral("another update of this installation is under way")
                : QStringLiteral("cannot lock %1: %2")
                      .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(error)));
        return std::nullopt;
    }
    return InstallationLock(descriptor);
}
