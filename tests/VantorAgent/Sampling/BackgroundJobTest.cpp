#include "VantorAgent/Sampling/BackgroundJob.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

TEST(BackgroundJobTest, WorksOffTheMainThreadAndAppliesOnIt)
{
    BackgroundJob job;
    std::atomic<QThread*> workThread {nullptr};
    QThread* applyThread = nullptr;
    std::atomic<bool> release {false};
    int result = 0;
    ASSERT_TRUE(job.start([&]() -> BackgroundJob::Apply {
        workThread = QThread::currentThread();
        while (!release)
            QThread::msleep(1);
        return [&, value = 42] {
            applyThread = QThread::currentThread();
            result = value;
        };
    }));
    EXPECT_TRUE(job.isRunning());
    // One job of a kind at a time.
    EXPECT_FALSE(job.start([]() -> BackgroundJob::Apply { return {}; }));

    std::vector<int> order;
    job.whenFinished([&] { order.push_back(1); });
    job.whenFinished([&] {
        order.push_back(2);
        // The handle is free again by the time waiters resume.
        EXPECT_FALSE(job.isRunning());
        EXPECT_EQ(result, 42);
    });
    EXPECT_TRUE(order.empty());

    release = true;
    BackgroundJob::drainForTesting();
    EXPECT_NE(workThread.load(), QCoreApplication::instance()->thread());
    EXPECT_EQ(applyThread, QCoreApplication::instance()->thread());
    EXPECT_EQ(result, 42);
    EXPECT_EQ(order, (std::vector<int> {1, 2}));

    // With nothing running, a waiter resumes at once.
    bool immediate = false;
    job.whenFinished([&] { immediate = true; });
    EXPECT_TRUE(immediate);
}

TEST(BackgroundJobTest, DropsTheResultWhenItsOwnerIsGone)
{
    bool applied = false;
    bool resumed = false;
    {
        BackgroundJob job;
        job.start([&]() -> BackgroundJob::Apply { return [&] { applied = true; }; });
        job.whenFinished([&] { resumed = true; });
    }
    BackgroundJob::drainForTesting();
    EXPECT_FALSE(applied);
    EXPECT_FALSE(resumed);
}
