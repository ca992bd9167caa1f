#include "Platform/StatusBar/LinuxStatusBar.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/StatusBar/LinuxStatusItem.h"
#include "Platform/StatusBar/StatusBarButton.h"
#include "Platform/StatusBar/StatusItemWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString prefix = QStringLiteral("Position ");

class LinuxStatusBarTest : public ::testing::Test {
protected:
    LinuxStatusBarTest()
        : positions(PreferencesDomain::open(QStringLiteral("positions"), dir.path()))
        , bar(*positions, prefix)
    {
    }

    LinuxStatusItem* add(const QString& name, double length, std::optional<double> position)
    {
        if (position)
            positions->setDouble(prefix + name, *position);
        auto* item = static_cast<LinuxStatusItem*>(bar.createItem(length));
        item->setAutosaveName(name);
        return item;
    }

    QStringList namesLeftToRight() const
    {
        QList<LinuxStatusItem*> items = bar.itemsLeftToRight();
        std::sort(items.begin(), items.end(),
            [](LinuxStatusItem* a, LinuxStatusItem* b) { return a->window()->x() < b->window()->x(); });
        QStringList names;
        for (LinuxStatusItem* item : items)
            names.append(item->autosaveName());
        return names;
    }

    static void send(
        QWidget* target, QEvent::Type type, QPoint global, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
    {
        const QPointF local = target->mapFromGlobal(QPointF(global));
        QMouseEvent event(type, local, local, QPointF(global),
            type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, modifiers);
        QApplication::sendEvent(target, &event);
    }

    QTemporaryDir dir;
    std::unique_ptr<PreferencesDomain> positions;
    LinuxStatusBar bar;
};

TEST_F(LinuxStatusBarTest, LaysItemsOutFromTheRightByRememberedPosition)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    LinuxStatusItem* a = add(QStringLiteral("a"), 40, 100);
    LinuxStatusItem* b = add(QStringLiteral("b"), 30.2, 300);
    LinuxStatusItem* c = add(QStringLiteral("c"), 50, std::nullopt);
    LinuxStatusItem* d = add(QStringLiteral("d"), 20, 200);
    // Larger positions stand further left; one without a position goes left of them all.
    EXPECT_EQ(namesLeftToRight(), (QStringList {"c", "b", "d", "a"}));

    // Packed against the right edge, 8 pixels between the buttons, along the top.
    EXPECT_EQ(a->window()->geometry().right(), screen.right());
    EXPECT_EQ(a->window()->y(), screen.top());
    EXPECT_EQ(a->window()->height(), 24);
    EXPECT_EQ(b->window()->width(), 31 + 8);
    for (LinuxStatusItem* left : {c, b, d}) {
        const QList<LinuxStatusItem*> order = bar.itemsLeftToRight();
        LinuxStatusItem* right = order[order.indexOf(left) + 1];
        const QRect leftButton(left->button()->mapToGlobal(QPoint()), left->button()->size());
        const QRect rightButton(right->button()->mapToGlobal(QPoint()), right->button()->size());
        EXPECT_EQ(rightButton.left() - leftButton.right() - 1, 8);
    }

    // A longer item pushes the ones to its left further left, and those moves are reported.
    int moves = 0;
    QObject::connect(&bar, &StatusBar::windowMoved, [&](StatusBarWindow*) { ++moves; });
    const int cBefore = c->window()->x();
    d->setLength(40);
    EXPECT_EQ(c->window()->x(), cBefore - 20);
    EXPECT_GE(moves, 3);

    bar.removeItem(b);
    EXPECT_EQ(namesLeftToRight(), (QStringList {"c", "d", "a"}));
    EXPECT_EQ(c->window()->x(), d->window()->x() - c->window()->width());
}

TEST_F(LinuxStatusBarTest, AControlDragReordersAndRewritesThePositions)
{
    LinuxStatusItem* a = add(QStringLiteral("a"), 40, 300);
    add(QStringLiteral("b"), 40, 200);
    LinuxStatusItem* c = add(QStringLiteral("c"), 40, 100);
    ASSERT_EQ(namesLeftToRight(), (QStringList {"a", "b", "c"}));
    int moves = 0;
    QObject::connect(&bar, &StatusBar::windowMoved, [&](StatusBarWindow* window) {
        if (window == c->window())
            ++moves;
    });

    // The press lands on the button, which leaves a modified press to the window.
    StatusItemWindow* window = c->window();
    const QPoint start = window->geometry().center();
    send(c->button(), QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_TRUE(window->isDragging());
    const int farLeft = a->window()->x() - 30;
    send(window, QEvent::MouseMove, QPoint(farLeft + window->width() / 2, start.y()), Qt::LeftButton,
        Qt::ControlModifier);
    EXPECT_LT(window->x(), a->window()->x());
    EXPECT_EQ(window->y(), a->window()->y());
    send(window, QEvent::MouseButtonRelease, QPoint(farLeft, start.y()), Qt::NoButton, Qt::ControlModifier);
    EXPECT_FALSE(window->isDragging());
    EXPECT_GE(moves, 2);

    EXPECT_EQ(namesLeftToRight(), (QStringList {"c", "a", "b"}));
    // The bar packed them again and remembers the new places, larger to the left.
    const double pc = positions->doubleForKey(prefix + "c");
    const double pa = positions->doubleForKey(prefix + "a");
    const double pb = positions->doubleForKey(prefix + "b");
    EXPECT_GT(pc, pa);
    EXPECT_GT(pa, pb);
    EXPECT_EQ(pb, 0);
    EXPECT_EQ(window->x() + window->width(), a->window()->x());
}

TEST_F(LinuxStatusBarTest, ButtonsSendTheirActionOnMouseDownUnlessReordering)
{
    LinuxStatusItem* item = add(QStringLiteral("a"), 40, 1);
    StatusBarButton* button = item->button();
    QList<StatusBarButton*> senders;
    QObject target;
    button->setAction(&target, [&](StatusBarButton* sender) { senders.append(sender); });
    const QPoint centre = button->mapToGlobal(button->rect().center());

    send(button, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(senders.size(), 0); // by default on release
    send(button, QEvent::MouseButtonRelease, centre, Qt::NoButton, Qt::NoModifier);
    EXPECT_EQ(senders, (QList<StatusBarButton*> {button}));

    button->setSendsActionOnLeftMouseDown(true);
    send(button, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(senders.size(), 2);
    send(button, QEvent::MouseButtonRelease, centre, Qt::NoButton, Qt::NoModifier);
    EXPECT_EQ(senders.size(), 2);

    send(button, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::ControlModifier);
    send(item->window(), QEvent::MouseButtonRelease, centre, Qt::NoButton, Qt::ControlModifier);
    EXPECT_EQ(senders.size(), 2);

    // No action once the target is gone.
    {
        QObject shortLived;
        button->setAction(&shortLived, [&](StatusBarButton* sender) { senders.append(sender); });
    }
    button->performClick();
    EXPECT_EQ(senders.size(), 2);
}

TEST_F(LinuxStatusBarTest, PositionsThatAreNotNumbersCountAsNone)
{
    positions->setString(prefix + "text", QStringLiteral("4000"));
    add(QStringLiteral("text"), 20, std::nullopt);
    add(QStringLiteral("number"), 20, 5);
    EXPECT_EQ(namesLeftToRight(), (QStringList {"text", "number"}));
}

} // namespace
