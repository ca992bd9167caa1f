#include "VantorAgent/Sampling/MainQueue.h"

#include <QTimer>

namespace {

class TimerTask : public MainQueue::Task {
public:
    TimerTask(std::chrono::milliseconds delay, std::function<void()> work)
        : m_timer(new QTimer)
    {
        m_timer->setSingleShot(true);
        m_timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, std::move(work));
        m_timer->start(delay);
    }
    ~TimerTask() override
    {
        // The work may drop its own handle while it runs, that is inside the timer's signal, so
        // the timer goes away only once the event loop has it back.
        m_timer->stop();
        m_timer->deleteLater();
    }

private:
    QTimer* m_timer;
};

class TimerQueue : public MainQueue {
public:
    std::unique_ptr<Task> after(std::chrono::milliseconds delay, std::function<void()> work) override
    {
        return std::make_unique<TimerTask>(delay, std::move(work));
    }
};

} // namespace

MainQueue& MainQueue::standard()
{
    static TimerQueue queue;
    return queue;
}
