#pragma once

#include <QString>

#include <optional>

// The registration state of a program that starts at login.
enum class LoginItemStatus {
    notRegistered = 0,
    enabled = 1,
    // Registered, but the user switched it off in the desktop's startup settings.
    requiresApproval = 2,
    // Registered, but the program it starts no longer exists.
    notFound = 3,
};

// Why a change of a login item failed. The codes are fixed so callers can tell the expected
// outcomes (nothing to remove, already there) from real failures; `description` is the system's
// own text.
struct LoginItemError {
    enum Code : int {
        failed = 1,
        // The program's location cannot be recorded in a login item.
        invalidSignature = 3,
        // There was nothing to unregister.
        jobNotFound = 6,
        // The user's desktop refuses to start the program.
        launchDeniedByUser = 11,
        // An enabled registration for this program is already in place.
        alreadyRegistered = 12,
    };
    int code = failed;
    QString description;
};

// One program's login item. status(), registerItem() and unregisterItem() do file-system work and
// are called away from the main thread; one service may be used by several jobs at once.
class LoginItemService {
public:
    virtual ~LoginItemService() = default;

    virtual LoginItemStatus status() const = 0;
    virtual std::optional<LoginItemError> registerItem() = 0;
    virtual std::optional<LoginItemError> unregisterItem() = 0;
    // Shows the user where the desktop lists the programs it starts at login (main thread).
    virtual void openSystemSettings() = 0;
};
