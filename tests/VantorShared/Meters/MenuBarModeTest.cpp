#include "VantorShared/Meters/MenuBarMode.h"

#include <gtest/gtest.h>

using namespace MenuBarModeDecision;

namespace {

Inputs with(std::optional<QString> stored, std::optional<QString> variable, SessionKind session, bool host)
{
    Inputs inputs;
    inputs.storedChoice = std::move(stored);
    inputs.environmentChoice = std::move(variable);
    inputs.session = session;
    inputs.trayHostPresent = host;
    return inputs;
}

const QString autoText = QStringLiteral("auto");
const QString barText = QStringLiteral("bar");
const QString trayText = QStringLiteral("tray");

TEST(MenuBarModeDecision, AutoFollowsTheTrayHostInEverySession)
{
    for (const SessionKind session :
        {SessionKind::x11, SessionKind::waylandWithXWayland, SessionKind::waylandOnly, SessionKind::unknown}) {
        for (const std::optional<QString>& stored : {std::optional<QString>(autoText), std::optional<QString>()}) {
            const Outcome withHost = decide(with(stored, std::nullopt, session, true));
            EXPECT_EQ(withHost.placement, MeterPlacement::tray);
            EXPECT_EQ(withHost.choice, MenuBarMode::automatic);
            const Outcome without = decide(with(stored, std::nullopt, session, false));
            EXPECT_EQ(without.placement, MeterPlacement::bar);
            EXPECT_FALSE(without.reason.isEmpty());
        }
    }
}

TEST(MenuBarModeDecision, AForcedBarHoldsAndAForcedTrayNeedsAHost)
{
    for (const bool host : {false, true})
        EXPECT_EQ(decide(with(barText, std::nullopt, SessionKind::x11, host)).placement, MeterPlacement::bar);
    EXPECT_EQ(decide(with(trayText, std::nullopt, SessionKind::x11, true)).placement, MeterPlacement::tray);
    // Without a tray the meters would be nowhere: they stay in our own bar, and the log says why.
    const Outcome without = decide(with(trayText, std::nullopt, SessionKind::waylandOnly, false));
    EXPECT_EQ(without.placement, MeterPlacement::bar);
    EXPECT_EQ(without.choice, MenuBarMode::tray);
    EXPECT_TRUE(without.reason.contains(QStringLiteral("no tray host"))) << without.reason.toStdString();
}

TEST(MenuBarModeDecision, AWatcherThatRefusedOurItemsCountsAsNoTray)
{
    for (const QString& choice : {autoText, trayText}) {
        Inputs inputs = with(choice, std::nullopt, SessionKind::x11, true);
        inputs.trayRefusal = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod: no such method");
        const Outcome outcome = decide(inputs);
        EXPECT_EQ(outcome.placement, MeterPlacement::bar);
        EXPECT_TRUE(outcome.reason.contains(QStringLiteral("UnknownMethod"))) << outcome.reason.toStdString();
    }
}

TEST(MenuBarModeDecision, TheVariableOverridesTheSettingForOneRun)
{
    const Outcome forcedBar = decide(with(trayText, barText, SessionKind::waylandWithXWayland, true));
    EXPECT_EQ(forcedBar.placement, MeterPlacement::bar);
    EXPECT_TRUE(forcedBar.reason.contains(QStringLiteral("environment")));
    EXPECT_EQ(decide(with(barText, trayText, SessionKind::x11, true)).placement, MeterPlacement::tray);
    EXPECT_EQ(decide(with(barText, autoText, SessionKind::x11, true)).placement, MeterPlacement::tray);
    // Spaces and capitals from a shell are forgiven.
    EXPECT_EQ(effectiveChoice(with(autoText, QStringLiteral(" Tray\n"), SessionKind::x11, false)), MenuBarMode::tray);
}

TEST(MenuBarModeDecision, UnrecognisedValuesFallBackWithoutWinning)
{
    // A bad variable leaves the stored choice in force; a bad stored value means auto.
    EXPECT_EQ(effectiveChoice(with(barText, QStringLiteral("panel"), SessionKind::x11, true)), MenuBarMode::bar);
    EXPECT_EQ(
        effectiveChoice(with(QStringLiteral("menubar"), std::nullopt, SessionKind::x11, true)), MenuBarMode::automatic);
    EXPECT_EQ(effectiveChoice(with(QString(), QString(), SessionKind::x11, true)), MenuBarMode::automatic);
    EXPECT_EQ(
        decide(with(QStringLiteral("1"), QStringLiteral(""), SessionKind::x11, true)).placement, MeterPlacement::tray);
}

TEST(MenuBarModeDecision, SessionKindFromTheDisplayVariables)
{
    const QString none;
    EXPECT_EQ(sessionKind(QStringLiteral("wayland"), QStringLiteral("wayland-0"), QStringLiteral(":0")),
        SessionKind::waylandWithXWayland);
    EXPECT_EQ(sessionKind(QStringLiteral("wayland"), QStringLiteral("wayland-0"), none), SessionKind::waylandOnly);
    // A compositor started by hand sets no session type, only its socket.
    EXPECT_EQ(sessionKind(none, QStringLiteral("wayland-1"), none), SessionKind::waylandOnly);
    EXPECT_EQ(sessionKind(QStringLiteral("x11"), none, QStringLiteral(":0")), SessionKind::x11);
    EXPECT_EQ(sessionKind(QStringLiteral("tty"), none, QStringLiteral(":99")), SessionKind::x11);
    EXPECT_EQ(sessionKind(QStringLiteral("tty"), none, none), SessionKind::unknown);
}

TEST(MenuBarModeDecision, RawValuesRoundTrip)
{
    for (const MenuBarMode mode : EnumCases<MenuBarMode>::all)
        EXPECT_EQ(fromRawValue<MenuBarMode>(rawValue(mode)), mode);
    EXPECT_EQ(rawValue(MenuBarMode::automatic), autoText);
}

} // namespace
