#pragma once

#include <QRect>

// The window that holds a status item, as seen by the status bar's users: where it is on screen.
class StatusBarWindow {
public:
    virtual ~StatusBarWindow() = default;
    // The window's frame in screen coordinates.
    virtual QRect frame() const = 0;
};
