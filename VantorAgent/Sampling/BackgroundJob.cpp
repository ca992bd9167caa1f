#include "VantorAgent/Sampling/BackgroundJob.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <sys/resource.h>
#include <unistd.h>

struct BackgroundJob::State {
    bool running = false;
    std::vector<std::function<void()>> waiters;
};

namespace {

// Worker threads of all jobs. Three jobs of different kinds may run at once, so a slow volume
// query never holds up the sensors.
QThreadPool& workers()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool();
        p->setMaxThreadCount(3);
        return p;
    }();
    return *pool;
}

// Sampling must never compete with the user's work: the worker threads run at a lower scheduling
// priority (on Linux the nice value is per thread).
void lowerThisThreadsPriority()
{
    thread_local bool lowered = false;
    if (!lowered) {
        ::setpriority(PRIO_PROCESS, ::gettid(), 10);
        lowered = true;
    }
}

} // namespace

BackgroundJob::BackgroundJob()
    : m_state(std::make_shared<State>())
{
}

BackgroundJob::~BackgroundJob() = default;

bool BackgroundJob::isRunning() const
{
    return m_state->running;
}

bool BackgroundJob::start(Work work)
{
    if (m_state->running)
        return false;
    m_state->running = true;
    std::weak_ptr<State> weak = m_state;
    workers().start([work = std::move(work), weak]() mutable {
        lowerThisThreadsPriority();
        Apply apply = work();
        work = nullptr;
        // qApp lives as long as the event loop that delivers this; the handle may not.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [apply = std::move(apply), weak]() {
                const std::shared_ptr<State> state = weak.lock();
                if (!state)
                    return;
                if (apply)
                    apply();
                state->running = false;
                std::vector<std::function<void()>> waiters;
                waiters.swap(state->waiters);
                for (auto& resume : waiters)
                    resume();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void BackgroundJob::whenFinished(std::function<void()> resume)
{
    if (!m_state->running) {
        resume();
        return;
    }
    m_state->waiters.push_back(std::move(resume));
}

void BackgroundJob::drainForTesting()
{
    workers().waitForDone();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
}
