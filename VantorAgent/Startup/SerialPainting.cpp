#include "VantorAgent/Startup/SerialPainting.h"

#include <QCoreApplication>
#include <QThread>
#include <QThreadPool>

#include <atomic>

#include <dlfcn.h>

namespace {

std::atomic<bool> g_installed {false};

using Contains = bool (*)(const QThreadPool*, const QThread*);

Contains toolkitContains()
{
    // The definition below takes the place of the toolkit's for every library of the process;
    // every other question goes on to the toolkit's own.
    static const Contains original
        = reinterpret_cast<Contains>(::dlsym(RTLD_NEXT, "_ZNK11QThreadPool8containsEPK7QThread"));
    return original;
}

} // namespace

namespace SerialPainting {

void install()
{
    g_installed.store(true, std::memory_order_relaxed);
}

bool installed()
{
    return g_installed.load(std::memory_order_relaxed);
}

} // namespace SerialPainting

bool QThreadPool::contains(const QThread* thread) const
{
    if (SerialPainting::installed() && this == QThreadPool::globalInstance()) {
        const QCoreApplication* application = QCoreApplication::instance();
        if (application && thread == application->thread())
            return true;
    }
    const Contains original = toolkitContains();
    return original && original(this, thread);
}
