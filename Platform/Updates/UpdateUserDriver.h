#pragma once

#include "Platform/Updates/AppcastItem.h"
#include "Platform/Updates/UpdateError.h"
#include "Platform/Updates/UpdaterDelegate.h"

#include <functional>

// What the user sees of a check they started: progress, the offer, the outcome. Checks the
// updater runs on its own schedule show nothing.
class UpdateUserDriver {
public:
    enum class Stage { checking, downloading, installing };

    virtual ~UpdateUserDriver() = default;

    // Progress of a stage; `total` 0 when unknown. `cancel` stops the cycle (empty: not possible).
    virtual void showProgress(Stage stage, qint64 done, qint64 total, std::function<void()> cancel) = 0;
    // Offers `item` to a user who has `installedVersion`; `reply` is called once with the choice.
    virtual void showUpdateFound(
        const AppcastItem& item, const QString& installedVersion, std::function<void(UpdateChoice)> reply)
        = 0;
    virtual void showUpdateNotFound(const QString& installedVersion) = 0;
    virtual void showError(const UpdateError& error) = 0;
    // Closes whatever the driver shows.
    virtual void dismiss() = 0;
};
