#include "Platform/Settings/DirectoryWatch.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr uint32_t kEvents = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_CLOSE_WRITE | IN_MODIFY
    | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

DirectoryWatch::DirectoryWatch(QObject* parent)
    : QObject(parent)
    , m_buffer(16 * 1024, Qt::Uninitialized)
{
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

DirectoryWatch::~DirectoryWatch()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

void DirectoryWatch::forgetWatches()
{
    for (const Entry& entry : m_entries)
        ::inotify_rm_watch(m_fd, entry.descriptor);
    m_entries.clear();
    m_watching = false;
}

bool DirectoryWatch::watch(const QStringList& directories, const QStringList& names)
{
    if (m_fd < 0)
        return false;
    std::vector<Entry> wanted;
    for (qsizetype i = 0; i < directories.size() && i < names.size(); ++i)
        wanted.push_back({-1, directories.at(i), QFile::encodeName(names.at(i))});
    const bool same = m_watching && wanted.size() == m_entries.size()
        && std::equal(wanted.begin(), wanted.end(), m_entries.begin(),
            [](const Entry& a, const Entry& b) { return a.directory == b.directory && a.name == b.name; });
    if (same)
        return true;
    forgetWatches();
    for (Entry& entry : wanted) {
        entry.descriptor = ::inotify_add_watch(m_fd, QFile::encodeName(entry.directory).constData(), kEvents);
        if (entry.descriptor < 0) {
            forgetWatches();
            return false;
        }
        m_entries.push_back(entry);
    }
    m_watching = !m_entries.empty();
    ensureNotifier();
    return m_watching;
}

bool DirectoryWatch::ensureNotifier()
{
    if (m_notifier || m_fd < 0 || !QCoreApplication::instance() || thread() != QThread::currentThread())
        return false;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        if (poll())
            emit changed();
    });
    return true;
}

bool DirectoryWatch::deliversByItself()
{
    // A domain opened before the application existed gets its notifier now; what was queued
    // before that is for the caller to read.
    if (ensureNotifier())
        return false;
    return m_notifier && thread() == QThread::currentThread() && thread()->loopLevel() > 0;
}

bool DirectoryWatch::poll()
{
    if (m_fd < 0)
        return false;
    bool relevant = false;
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.data(), size_t(m_buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t offset = 0; offset + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(m_buffer.constData() + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) {
                // Lost events or a folder gone: nothing can be trusted until watched again.
                relevant = true;
                if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))
                    m_watching = false;
                continue;
            }
            if (event->len == 0)
                continue;
            // The kernel pads the name with NULs, so it compares as a C string.
            for (const Entry& entry : m_entries) {
                if (entry.descriptor == event->wd && qstrcmp(entry.name.constData(), event->name) == 0)
                    relevant = true;
            }
        }
    }
    return relevant;
}
