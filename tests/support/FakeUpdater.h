#pragma once

#include "Platform/Updates/Updater.h"
#include "Platform/Updates/UpdaterDelegate.h"

// An update framework that does nothing by itself: the test sets whether it starts and can check,
// and plays the delegate calls.
class FakeUpdater final : public Updater {
public:
    std::optional<UpdateError> start() override
    {
        ++starts;
        return startError;
    }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    void setAutomaticallyChecksForUpdates(bool on) override
    {
        automatic = on;
        ++automaticChanges;
    }
    bool canCheckForUpdates() const override { return canCheck; }
    void checkForUpdates() override { ++checks; }

    void setCanCheck(bool value)
    {
        canCheck = value;
        emit canCheckForUpdatesChanged(value);
    }

    QString hostPath, applicationPath;
    UpdaterDelegate* delegate = nullptr;
    std::optional<UpdateError> startError;
    bool automatic = false;
    bool canCheck = true;
    int starts = 0, checks = 0, automaticChanges = 0;
};
