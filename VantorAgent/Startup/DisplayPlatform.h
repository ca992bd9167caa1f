#pragma once

#include "VantorShared/Meters/MenuBarMode.h"

#include <QString>

// Which of Qt's window platforms the agent runs on. On a Wayland session a client can place
// neither its bar windows nor a free-standing popover; through XWayland (Qt's xcb platform) it
// can, in bar and tray mode alike. So on Wayland the agent asks for xcb whenever the session
// offers an X display (GNOME and KDE start XWayland on demand). The settings app is not affected
// and stays a native Wayland client.
namespace DisplayPlatform {

struct Choice {
    // The platform to ask for; empty to leave Qt's own choice.
    QString platform;
    // One lower-case sentence for the log; empty when there is nothing to say.
    QString note;
};

// `requested` is QT_QPA_PLATFORM as the user set it: an explicit request is always kept.
Choice choose(const QString& requested, SessionKind session);

// Applies choose() to this process, and turns off X11 shared-memory images for the agent's small
// windows unless the user set QT_XCB_NO_MITSHM; call before the application object is made. The
// variables are put back afterwards by restoreAfterApplication(), so that programs the agent
// starts (the settings app) make their own choice.
void applyBeforeApplication();
void restoreAfterApplication();

} // namespace DisplayPlatform
