#pragma once

#include <chrono>
#include <functional>
#include <memory>

// Work for a later turn of the main thread's event loop. The standard queue runs on Qt timers;
// tests substitute one with a clock of their own.
class MainQueue {
public:
    // A scheduled piece of work; destroying the handle cancels it if it has not run.
    class Task {
    public:
        virtual ~Task() = default;
    };

    virtual ~MainQueue() = default;
    // Runs `work` once, `delay` from now (0: on the next turn of the event loop).
    virtual std::unique_ptr<Task> after(std::chrono::milliseconds delay, std::function<void()> work) = 0;

    static MainQueue& standard();
};
