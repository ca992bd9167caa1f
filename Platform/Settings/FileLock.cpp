#include "Platform/Settings/FileLock.h"

#include "Platform/Settings/PreferencesFile.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// A blocking flock() is fair to waiters, unlike polling with LOCK_NB, which a writer in a tight loop
// can starve. To bound it, a timer interrupts the wait with a signal whose handler does nothing;
// the handler is installed without SA_RESTART so the wait returns EINTR.
int wakeSignal()
{
    static const int signal = [] {
        const int number = SIGRTMIN + 7;
        struct sigaction action { };
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(number, &action, nullptr);
        return number;
    }();
    return signal;
}

timespec toTimespec(std::chrono::nanoseconds duration)
{
    return {time_t(duration.count() / 1000000000), long(duration.count() % 1000000000)};
}

// Waits for the lock at most `patience`; 0 on success, else the error (EWOULDBLOCK for a timeout).
int lockWithin(int fd, std::chrono::milliseconds patience)
{
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return 0;
    if (errno != EWOULDBLOCK)
        return errno;
    if (patience.count() <= 0)
        return EWOULDBLOCK;

    const int signal = wakeSignal();
    sigset_t wake, previous;
    sigemptyset(&wake);
    sigaddset(&wake, signal);
    ::pthread_sigmask(SIG_UNBLOCK, &wake, &previous);
    struct sigevent event { };
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = signal;
    event._sigev_un._tid = ::gettid();
    timer_t timer {};
    const bool timed = ::timer_create(CLOCK_MONOTONIC, &event, &timer) == 0;
    if (timed) {
        // Repeats, so a signal that lands just before the wait begins cannot leave it unbounded.
        struct itimerspec spec { };
        spec.it_value = toTimespec(std::chrono::milliseconds(20));
        spec.it_interval = toTimespec(std::chrono::milliseconds(20));
        ::timer_settime(timer, 0, &spec, nullptr);
    }
    QElapsedTimer clock;
    clock.start();
    int result = EWOULDBLOCK;
    for (;;) {
        if (::flock(fd, timed ? LOCK_EX : LOCK_EX | LOCK_NB) == 0) {
            result = 0;
            break;
        }
        const int error = errno;
        if (error != EINTR && error != EWOULDBLOCK) {
            result = error;
            break;
        }
        if (clock.elapsed() >= qint64(patience.count()))
            break;
        if (!timed)
            ::usleep(2000);
    }
    if (timed) {
        ::timer_delete(timer);
        // A tick still queued must not interrupt some later call of this thread.
        ::pthread_sigmask(SIG_BLOCK, &wake, nullptr);
        const struct timespec none {
        };
        while (::sigtimedwait(&wake, nullptr, &none) > 0) { }
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return result;
}

} // namespace

FileLock::FileLock(const QString& path, std::chrono::milliseconds patience)
{
    // O_NONBLOCK keeps a lock path that someone replaced by a named pipe from hanging the open, and
    // O_NOFOLLOW keeps a planted link from making us create a file wherever it points.
    m_fd = ::open(
        QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW, 0600);
    if (m_fd < 0) {
        const int error = errno;
        m_problem = QStringLiteral("cannot open the lock file %1: %2").arg(path, PreferencesFile::errorText(error));
        return;
    }
    m_timedOut = false;
    const int error = lockWithin(m_fd, patience);
    if (error == 0) {
        m_locked = true;
    } else if (error == EWOULDBLOCK) {
        m_timedOut = true;
        m_problem = QStringLiteral("another process has held the lock %1 for over %2 ms")
                        .arg(path)
                        .arg(qint64(patience.count()));
    } else {
        m_problem = QStringLiteral("cannot lock %1: %2").arg(path, PreferencesFile::errorText(error));
    }
}

FileLock::~FileLock()
{
    if (m_fd >= 0) {
        if (m_locked)
            ::flock(m_fd, LOCK_UN);
        ::close(m_fd);
    }
}
