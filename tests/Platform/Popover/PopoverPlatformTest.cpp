#include "Platform/Popover/MouseMonitors.h"
#include "Platform/Popover/PopoverWindow.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

void press(QWidget& widget, Qt::MouseButton button, const QPoint& global)
{
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(global), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(widget.windowHandle(), &event);
}

TEST(MouseMonitorsTest, ReportsPressesInOurWindowsAndTheLossOfActivation)
{
    QList<std::pair<QPoint, QWidget*>> local;
    QList<QPoint> global;
    MouseMonitors monitors(
        [&](const QPoint& point, QWidget* window) {
            local.append({point, window});
        },
        [&](const QPoint& point) { global.append(point); });
    monitors.setPointerPosition([] { return QPoint(640, 480); });

    QWidget window;
    window.resize(50, 50);
    window.show();
    ASSERT_NE(window.windowHandle(), nullptr);
    press(window, Qt::LeftButton, QPoint(10, 20));
    press(window, Qt::RightButton, QPoint(11, 21));
    press(window, Qt::MiddleButton, QPoint(12, 22));
    ASSERT_EQ(local.size(), 2);
    EXPECT_EQ(local[0].first, QPoint(10, 20));
    EXPECT_EQ(local[0].second, &window);
    EXPECT_EQ(local[1].first, QPoint(11, 21));

    monitors.applicationDeactivated();
    EXPECT_EQ(global, QList<QPoint> {QPoint(640, 480)});
}

TEST(PopoverWindowTest, ClosesOnlyWhenShownAndLetsGoOfItsContent)
{
    PopoverWindow popover;
    QSignalSpy closed(&popover, &PopoverWindow::didClose);
    auto* content = new QWidget;
    content->setFixedSize(300, 200);
    popover.setContent(content);
    popover.close();
    EXPECT_EQ(closed.count(), 0);

    popover.showBelow(QRect(100, 0, 40, 24));
    EXPECT_TRUE(popover.isShown());
    EXPECT_EQ(popover.frame().size(), QSize(300, 200));
    // A close request from the window manager is the application's close, and it is granted:
    // an application that quits gives the quit up when a window refuses to close.
    EXPECT_TRUE(popover.QWidget::close());
    EXPECT_FALSE(popover.isShown());
    EXPECT_FALSE(popover.isVisible());
    EXPECT_EQ(closed.count(), 1);

    // What a quitting application does: close every window, then check none is left visible.
    popover.showBelow(QRect(100, 0, 40, 24));
    QApplication::closeAllWindows();
    EXPECT_FALSE(popover.isVisible());
    EXPECT_EQ(closed.count(), 2);

    QPointer<QWidget> released(content);
    popover.releaseContent();
    EXPECT_EQ(popover.content(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(released.isNull());
}

} // namespace
