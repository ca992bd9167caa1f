#include "VantorShared/Meters/MenuBarMode.h"

QString rawValue(MenuBarMode mode)
{
    switch (mode) {
    case MenuBarMode::automatic:
        return QStringLiteral("auto");
    case MenuBarMode::bar:
        return QStringLiteral("bar");
    case MenuBarMode::tray:
        return QStringLiteral("tray");
    }
    return {};
}

namespace MenuBarModeDecision {

namespace {

std::optional<MenuBarMode> parsed(const std::optional<QString>& text)
{
    if (!text)
        return std::nullopt;
    // Hand-edited files and shell variables come with stray spaces and capitals.
    return fromRawValue<MenuBarMode>(text->trimmed().toLower());
}

QString sessionText(SessionKind session)
{
    switch (session) {
    case SessionKind::x11:
        return QStringLiteral("an x11 session");
    case SessionKind::waylandWithXWayland:
        return QStringLiteral("a wayland session, through xwayland");
    case SessionKind::waylandOnly:
        return QStringLiteral("a wayland session without xwayland, where the compositor places the windows");
    case SessionKind::unknown:
        return QStringLiteral("a session of unknown kind");
    }
    return {};
}

} // namespace

MenuBarMode effectiveChoice(const Inputs& inputs)
{
    if (const auto overridden = parsed(inputs.environmentChoice))
        return *overridden;
    if (const auto stored = parsed(inputs.storedChoice))
        return *stored;
    return MenuBarMode::automatic;
}

Outcome decide(const Inputs& inputs)
{
    Outcome outcome;
    outcome.choice = effectiveChoice(inputs);
    const bool overridden = parsed(inputs.environmentChoice).has_value();
    const QString source = overridden ? QStringLiteral("the environment asks for") : QStringLiteral("the setting is");
    const bool hostTakesItems = inputs.trayHostPresent && !inputs.trayRefusal;
    switch (outcome.choice) {
    case MenuBarMode::tray:
        if (hostTakesItems) {
            outcome.placement = MeterPlacement::tray;
            outcome.reason = QStringLiteral("tray: %1 \"tray\"").arg(source);
        } else if (inputs.trayRefusal) {
            outcome.placement = MeterPlacement::bar;
            outcome.reason = QStringLiteral("bar: %1 \"tray\", but the status-notifier watcher refused our items (%2)")
                                 .arg(source, *inputs.trayRefusal);
        } else {
            outcome.placement = MeterPlacement::bar;
            outcome.reason = QStringLiteral("bar: %1 \"tray\", but there is no tray host on the session bus; the "
                                            "meters move to the tray when one starts")
                                 .arg(source);
        }
        break;
    case MenuBarMode::bar:
        outcome.placement = MeterPlacement::bar;
        outcome.reason = QStringLiteral("bar: %1 \"bar\", in %2").arg(source, sessionText(inputs.session));
        break;
    case MenuBarMode::automatic:
        if (inputs.trayRefusal) {
            outcome.placement = MeterPlacement::bar;
            outcome.reason
                = QStringLiteral("bar: the status-notifier watcher refused our items (%1)").arg(*inputs.trayRefusal);
        } else if (inputs.trayHostPresent) {
            outcome.placement = MeterPlacement::tray;
            outcome.reason = QStringLiteral("tray: a status-notifier host is on the session bus");
        } else {
            outcome.placement = MeterPlacement::bar;
            outcome.reason = QStringLiteral("bar: no status-notifier host on the session bus, in %1")
                                 .arg(sessionText(inputs.session));
        }
        break;
    }
    return outcome;
}

SessionKind sessionKind(const QString& sessionType, const QString& waylandDisplay, const QString& x11Display)
{
    const bool wayland = sessionType == QLatin1String("wayland") || !waylandDisplay.isEmpty();
    if (wayland)
        return x11Display.isEmpty() ? SessionKind::waylandOnly : SessionKind::waylandWithXWayland;
    if (!x11Display.isEmpty() || sessionType == QLatin1String("x11"))
        return SessionKind::x11;
    return SessionKind::unknown;
}

SessionKind currentSessionKind()
{
    return sessionKind(qEnvironmentVariable("XDG_SESSION_TYPE"), qEnvironmentVariable("WAYLAND_DISPLAY"),
        qEnvironmentVariable("DISPLAY"));
}

} // namespace MenuBarModeDecision
