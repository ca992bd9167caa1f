#include "Platform/Workspace/LinuxWorkspace.h"

#include <gtest/gtest.h>

namespace {

struct Counter {
    int n = 0;
    int count() const { return n; }
};

struct Spies {
    explicit Spies(LinuxWorkspace& workspace)
    {
        QObject::connect(&workspace, &Workspace::screensDidSleep, [this] { ++sleep.n; });
        QObject::connect(&workspace, &Workspace::screensDidWake, [this] { ++wake.n; });
        QObject::connect(&workspace, &Workspace::sessionDidResignActive, [this] { ++resign.n; });
        QObject::connect(&workspace, &Workspace::sessionDidBecomeActive, [this] { ++become.n; });
    }
    Counter sleep, wake, resign, become;
};

} // namespace

TEST(LinuxWorkspaceSessionTest, SleepAndWakeAreSignalledOncePerChange)
{
    LinuxWorkspace workspace(nullptr, false);
    Spies spies(workspace);
    workspace.setPreparingForSleep(false); // already awake
    workspace.setPreparingForSleep(true);
    workspace.setPreparingForSleep(true);
    workspace.setPreparingForSleep(false);
    EXPECT_EQ(spies.sleep.count(), 1);
    EXPECT_EQ(spies.wake.count(), 1);
}

TEST(LinuxWorkspaceSessionTest, TheSessionIsActiveOnlyWhileUnlockedAndOnTheSeat)
{
    LinuxWorkspace workspace(nullptr, false);
    Spies spies(workspace);

    workspace.setScreenSaverActive(true); // locked
    EXPECT_EQ(spies.resign.count(), 1);
    workspace.setLoginSessionActive(false); // and another user took the seat: still just inactive
    EXPECT_EQ(spies.resign.count(), 1);
    workspace.setScreenSaverActive(false); // unlocked, but the seat is still elsewhere
    EXPECT_EQ(spies.become.count(), 0);
    workspace.setLoginSessionActive(true);
    EXPECT_EQ(spies.become.count(), 1);

    // Two screen savers reporting the same lock make one event.
    workspace.setScreenSaverActive(true);
    workspace.setScreenSaverActive(true);
    EXPECT_EQ(spies.resign.count(), 2);
}
