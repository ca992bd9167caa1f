#include "VantorAgent/Startup/DisplayPlatform.h"

#include <gtest/gtest.h>

namespace {

TEST(DisplayPlatform, WaylandSessionsUseXWaylandWhenTheyOfferIt)
{
    const DisplayPlatform::Choice xwayland = DisplayPlatform::choose(QString(), SessionKind::waylandWithXWayland);
    EXPECT_EQ(xwayland.platform, QStringLiteral("xcb"));
    EXPECT_TRUE(xwayland.note.contains(QStringLiteral("xwayland")));

    // Without an X display Qt keeps its own choice, and the log says what that costs.
    const DisplayPlatform::Choice native = DisplayPlatform::choose(QString(), SessionKind::waylandOnly);
    EXPECT_TRUE(native.platform.isEmpty());
    EXPECT_TRUE(native.note.contains(QStringLiteral("compositor")));

    for (const SessionKind session : {SessionKind::x11, SessionKind::unknown}) {
        const DisplayPlatform::Choice choice = DisplayPlatform::choose(QString(), session);
        EXPECT_TRUE(choice.platform.isEmpty());
        EXPECT_TRUE(choice.note.isEmpty());
    }
}

TEST(DisplayPlatform, AnExplicitPlatformIsAlwaysKept)
{
    for (const QString& requested : {QStringLiteral("wayland"), QStringLiteral("offscreen"), QStringLiteral("xcb")}) {
        const DisplayPlatform::Choice choice = DisplayPlatform::choose(requested, SessionKind::waylandWithXWayland);
        EXPECT_TRUE(choice.platform.isEmpty()) << requested.toStdString();
        EXPECT_TRUE(choice.note.isEmpty());
    }
    // A blank variable is no request.
    EXPECT_EQ(DisplayPlatform::choose(QStringLiteral("  "), SessionKind::waylandWithXWayland).platform,
        QStringLiteral("xcb"));
}

} // namespace

TEST(DisplayPlatform, SharedMemoryImagesAreOffForTheAgentAloneUnlessTheUserChose)
{
    const QByteArray saved = qgetenv("QT_XCB_NO_MITSHM");
    const bool wasSet = qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
    qunsetenv("QT_XCB_NO_MITSHM");
    DisplayPlatform::applyBeforeApplication();
    EXPECT_EQ(qgetenv("QT_XCB_NO_MITSHM"), "1");
    // Programs the agent starts make their own choice.
    DisplayPlatform::restoreAfterApplication();
    EXPECT_FALSE(qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"));

    // The user's own value stays, and stays afterwards.
    qputenv("QT_XCB_NO_MITSHM", "0");
    DisplayPlatform::applyBeforeApplication();
    DisplayPlatform::restoreAfterApplication();
    EXPECT_EQ(qgetenv("QT_XCB_NO_MITSHM"), "0");

    if (wasSet)
        qputenv("QT_XCB_NO_MITSHM", saved);
    else
        qunsetenv("QT_XCB_NO_MITSHM");
}
