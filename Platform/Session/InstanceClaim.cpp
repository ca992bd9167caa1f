#include "Platform/Session/InstanceClaim.h"

#include "Platform/Settings/PreferencesFile.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Open-file-description locks: tied to the descriptor rather than the process, so they can be
// tested (F_OFD_GETLK) without taking them, and they end when the descriptor closes.
struct flock wholeFile(short type)
{
    struct flock lock { };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    return lock;
}

std::optional<qint64> pidInFile(int fd)
{
    char buffer[32] = {};
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0)
        return std::nullopt;
    bool ok = false;
    const qint64 pid = QByteArray(buffer, int(n)).trimmed().toLongLong(&ok);
    return ok && pid > 0 ? std::optional<qint64>(pid) : std::nullopt;
}

QDBusConnectionInterface* sessionBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() ? bus.interface() : nullptr;
}

} // namespace

InstanceClaim::InstanceClaim(QString busName, QString lockPath, QObject* parent)
    : QObject(parent)
    , m_busName(std::move(busName))
    , m_lockPath(std::move(lockPath))
{
}

InstanceClaim::~InstanceClaim()
{
    if (m_owned && m_viaBus) {
        if (QDBusConnectionInterface* bus = sessionBus())
            bus->unregisterService(m_busName);
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

InstanceClaim::Outcome InstanceClaim::claim()
{
    if (!m_busName.isEmpty() && sessionBus())
        return claimName();
    return claimLock();
}

InstanceClaim::Outcome InstanceClaim::claimName()
{
    m_viaBus = true;
    QDBusConnectionInterface* bus = sessionBus();
    // Not queued and not replaceable: the first to ask owns the name until it exits, and a later
    // copy learns at once that it is not the instance.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus->registerService(
        m_busName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        m_problem = reply.error().message();
        return Outcome::failed;
    }
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        const QDBusReply<uint> pid = bus->servicePid(m_busName);
        if (pid.isValid() && pid.value() > 0)
            m_holderPid = qint64(pid.value());
        return Outcome::heldElsewhere;
    }
    m_owned = true;
    connect(bus, &QDBusConnectionInterface::serviceUnregistered, this, [this](const QString& name) {
        if (name == m_busName && m_owned) {
            m_owned = false;
            emit lost();
        }
    });
    return Outcome::owned;
}

InstanceClaim::Outcome InstanceClaim::claimLock()
{
    m_viaBus = false;
    QString problem;
    if (!PreferencesFile::makePrivateDirectory(QFileInfo(m_lockPath).absolutePath(), &problem)) {
        m_problem = problem;
        return Outcome::failed;
    }
    const QByteArray name = QFile::encodeName(m_lockPath);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) {
        m_problem = QStringLiteral("%1: %2").arg(m_lockPath, PreferencesFile::errorText(errno));
        return Outcome::failed;
    }
    struct flock lock = wholeFile(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        const int error = errno;
        if (error == EAGAIN || error == EACCES) {
            m_holderPid = pidInFile(fd);
            ::close(fd);
            return Outcome::heldElsewhere;
        }
        ::close(fd);
        m_problem = QStringLiteral("%1: %2").arg(m_lockPath, PreferencesFile::errorText(error));
        return Outcome::failed;
    }
    // Who holds it, for the log of a copy that finds it taken.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) != ssize_t(pid.size())) {
        // The lock holds all the same; only the name in a rival's log is lost.
    }
    m_lockFd = fd;
    m_owned = true;
    return Outcome::owned;
}

bool InstanceClaim::isHeld(const QString& busName, const QString& lockPath, std::optional<qint64>* holder)
{
    if (!busName.isEmpty()) {
        if (QDBusConnectionInterface* bus = sessionBus()) {
            const QDBusReply<bool> registered = bus->isServiceRegistered(busName);
            if (!registered.isValid() || !registered.value())
                return false;
            if (holder) {
                const QDBusReply<uint> pid = bus->servicePid(busName);
                *holder = pid.isValid() && pid.value() > 0 ? std::optional<qint64>(pid.value()) : std::nullopt;
            }
            return true;
        }
    }
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct flock lock = wholeFile(F_WRLCK);
    const bool held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    if (held && holder)
        *holder = pidInFile(fd);
    ::close(fd);
    return held;
}

QString InstanceClaim::programOf(qint64 pid)
{
    return QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
}
