#pragma once

#include "VantorAgent/Sampling/MainQueue.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>

// A main queue on a clock the test advances by hand. Work runs in the order it falls due.
class FakeMainQueue : public MainQueue {
public:
    std::unique_ptr<Task> after(std::chrono::milliseconds delay, std::function<void()> work) override
    {
        const quint64 id = m_nextId++;
        m_pending.emplace(id, Entry {m_now + delay, std::move(work)});
        return std::make_unique<Handle>(*this, id);
    }

    // Moves the clock forward by `step` and runs everything that falls due on the way, including
    // work scheduled by that work.
    void advance(std::chrono::milliseconds step)
    {
        const std::chrono::milliseconds end = m_now + step;
        for (;;) {
            auto next = m_pending.end();
            for (auto it = m_pending.begin(); it != m_pending.end(); ++it)
                if (it->second.due <= end && (next == m_pending.end() || it->second.due < next->second.due))
                    next = it;
            if (next == m_pending.end())
                break;
            m_now = std::max(m_now, next->second.due);
            std::function<void()> work = std::move(next->second.work);
            m_pending.erase(next);
            work();
        }
        m_now = end;
    }
    // Runs what is due now, as a turn of the event loop would.
    void runDue() { advance(std::chrono::milliseconds(0)); }

    size_t pendingCount() const { return m_pending.size(); }
    std::chrono::milliseconds now() const { return m_now; }

private:
    struct Entry {
        std::chrono::milliseconds due;
        std::function<void()> work;
    };
    class Handle : public Task {
    public:
        Handle(FakeMainQueue& queue, quint64 id)
            : m_queue(queue)
            , m_id(id)
        {
        }
        ~Handle() override { m_queue.m_pending.erase(m_id); }

    private:
        FakeMainQueue& m_queue;
        quint64 m_id;
    };

    std::map<quint64, Entry> m_pending;
    std::chrono::milliseconds m_now {0};
    quint64 m_nextId = 0;
};
