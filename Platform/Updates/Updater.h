#pragma once

#include "Platform/Updates/UpdateError.h"

#include <QObject>

#include <optional>

// The update framework as its owner sees it: start it once, then ask for checks and follow
// whether one can start now. Scheduled checks run on their own while automatic checking is on.
class Updater : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Updater() override = default;

    // None when the updater runs, else why it cannot.
    virtual std::optional<UpdateError> start() = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
    // True once started and while no update cycle is in progress.
    virtual bool canCheckForUpdates() const = 0;
    // A check the user asked for: its progress and outcome are shown.
    virtual void checkForUpdates() = 0;

signals:
    void canCheckForUpdatesChanged(bool canCheck);
};
