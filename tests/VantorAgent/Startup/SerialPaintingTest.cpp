#include "VantorAgent/Startup/SerialPainting.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(SerialPaintingTest, OnlyTheMainThreadJoinsOnlyTheGlobalPool)
{
    QThreadPool* global = QThreadPool::globalInstance();
    QThreadPool own;
    EXPECT_FALSE(global->contains(QThread::currentThread()));
    SerialPainting::install();
    EXPECT_TRUE(global->contains(QThread::currentThread()));
    EXPECT_FALSE(own.contains(QThread::currentThread()));
    // The pool's own threads are still its own, and no other thread is.
    std::atomic<bool> inGlobal {false};
    global->start([&] { inGlobal = QThreadPool::globalInstance()->contains(QThread::currentThread()); });
    global->waitForDone();
    EXPECT_TRUE(inGlobal);
    QThread* other = QThread::create([] {});
    EXPECT_FALSE(global->contains(other));
    delete other;
}

TEST(SerialPaintingTest, LargeFillsNoLongerWaitForPoolThreads)
{
    SerialPainting::install();
    // The pool's only thread is kept busy until the painting is done: a painting that handed its
    // spans to the pool could not finish before the job gave up waiting.
    QThreadPool* global = QThreadPool::globalInstance();
    global->setMaxThreadCount(1);
    QSemaphore started;
    QSemaphore painted;
    std::atomic<bool> sawPainting {false};
    global->start([&] {
        started.release();
        sawPainting = painted.tryAcquire(1, 10000);
    });
    started.acquire();
    QImage image(600, 800, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addEllipse(QRectF(3.5, 2.25, 590, 790));
        painter.fillPath(path, QColor(20, 120, 220, 200));
        painter.fillRect(image.rect(), QColor(0, 0, 0, 18));
    }
    painted.release();
    global->waitForDone();
    EXPECT_TRUE(sawPainting);
    EXPECT_GT(qAlpha(image.pixel(300, 400)), 200);
}

} // namespace
