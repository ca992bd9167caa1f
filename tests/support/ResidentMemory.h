#pragma once

#include <QFile>

#include <malloc.h>
#include <unistd.h>

// The process's resident memory, for tests that show a loop leaves none behind. Freed heap is
// handed back first, so only what is still held counts.
namespace ResidentMemory {

inline qint64 bytes()
{
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

// Sanitizers keep freed memory in quarantine on purpose; resident sizes say nothing there.
inline constexpr bool meaningful()
{
#if defined(__SANITIZE_ADDRESS__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
#endif
}

} // namespace ResidentMemory
