#pragma once

#include <functional>
#include <memory>
#include <vector>

// The handle of one kind of background job (process scan, storage query, sensor read): at most
// one job of the kind runs at a time.
//
// The work runs on a low-priority worker thread and must touch no main-thread state. What it
// returns is the main-thread half: a function that applies the result, run by a queued call on the
// main thread. When the handle (and with it its owner) is gone by then, the result is dropped
// without running. After the result is applied the handle is free again and everyone who asked to
// wait is resumed, in the order they asked.
class BackgroundJob {
public:
    using Apply = std::function<void()>;
    using Work = std::function<Apply()>;

    BackgroundJob();
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    bool isRunning() const;
    // Starts `work` unless a job of this kind is running; true when it started.
    bool start(Work work);
    // Runs `resume` on the main thread once the running job has delivered; at once when none runs.
    void whenFinished(std::function<void()> resume);

    // For tests and benchmarks: blocks until every worker is idle, then delivers the queued
    // results on the calling (main) thread.
    static void drainForTesting();

private:
    struct State;
    std::shared_ptr<State> m_state;
};
