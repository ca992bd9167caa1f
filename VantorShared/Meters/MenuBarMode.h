#pragma once

#include "VantorShared/Support/EnumText.h"

#include <QString>

#include <array>
#include <optional>

// How the user wants the meters shown (key "menuBarMode"): decided by the desktop, always our own
// bar along the top edge, or always as items in the desktop's tray.
enum class MenuBarMode { automatic, bar, tray };

template <> struct EnumCases<MenuBarMode> {
    static constexpr std::array<MenuBarMode, 3> all {MenuBarMode::automatic, MenuBarMode::bar, MenuBarMode::tray};
};

// "auto", "bar", "tray".
QString rawValue(MenuBarMode mode);

// Where the meters actually go.
enum class MeterPlacement { bar, tray };

// The kind of graphical session the agent was started in, from its environment.
enum class SessionKind {
    x11, // an X11 session
    waylandWithXWayland, // a Wayland session that offers an X display
    waylandOnly, // a Wayland session without an X display
    unknown, // no display variables at all
};

namespace MenuBarModeDecision {

struct Inputs {
    // The stored "menuBarMode", exactly as read (none when absent or not text).
    std::optional<QString> storedChoice;
    // The override variable for this run, when set.
    std::optional<QString> environmentChoice;
    SessionKind session = SessionKind::unknown;
    // A status-notifier host is on the session bus.
    bool trayHostPresent = false;
    // Why the desktop's watcher did not take our items, when it refused them.
    std::optional<QString> trayRefusal;
};

struct Outcome {
    MeterPlacement placement = MeterPlacement::bar;
    // The choice in force after the override and the fallbacks.
    MenuBarMode choice = MenuBarMode::automatic;
    // One lower-case sentence for the log.
    QString reason;
};

// The choice in force: a valid override variable, else a valid stored value, else "auto".
MenuBarMode effectiveChoice(const Inputs& inputs);

// Decides where the meters go. A forced bar always shows the bar. In "auto" a tray host wins,
// because its panel sits where our bar would cover it; without one it is the bar. A forced tray
// is the tray while a host is there and our own bar while none is (the meters never vanish), and
// a watcher that refused our items counts as no host in either.
Outcome decide(const Inputs& inputs);

// The session kind from XDG_SESSION_TYPE, WAYLAND_DISPLAY and DISPLAY as given.
SessionKind sessionKind(const QString& sessionType, const QString& waylandDisplay, const QString& x11Display);
// The same for this process's environment.
SessionKind currentSessionKind();

} // namespace MenuBarModeDecision
