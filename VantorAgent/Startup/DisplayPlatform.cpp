#include "VantorAgent/Startup/DisplayPlatform.h"

#include "VantorShared/Support/Log.h"

namespace DisplayPlatform {

namespace {

constexpr const char* platformVariable = "QT_QPA_PLATFORM";
constexpr const char* sharedMemoryVariable = "QT_XCB_NO_MITSHM";

bool& setHere()
{
    static bool value = false;
    return value;
}

bool& sharedMemorySetHere()
{
    static bool value = false;
    return value;
}

} // namespace

Choice choose(const QString& requested, SessionKind session)
{
    Choice choice;
    if (!requested.trimmed().isEmpty())
        return choice;
    switch (session) {
    case SessionKind::waylandWithXWayland:
        choice.platform = QStringLiteral("xcb");
        choice.note
            = QStringLiteral("wayland session: running through xwayland, where the bar and the popovers can be placed");
        break;
    case SessionKind::waylandOnly:
        choice.note
            = QStringLiteral("wayland session without xwayland: the bar cannot be placed, and popovers open where the "
                             "compositor puts them");
        break;
    case SessionKind::x11:
    case SessionKind::unknown:
        break;
    }
    return choice;
}

void applyBeforeApplication()
{
    const Choice choice = choose(qEnvironmentVariable(platformVariable), MenuBarModeDecision::currentSessionKind());
    if (!choice.platform.isEmpty()) {
        qputenv(platformVariable, choice.platform.toLocal8Bit());
        setHere() = true;
    }
    if (!choice.note.isEmpty())
        qCInfo(lcAgentLifecycle, "%s", qPrintable(choice.note));
    // The agent's windows are a few small meters repainted every second. Through shared memory
    // each repaint waits for the X server to answer before the next may draw, a round trip that
    // costs more than sending the few kilobytes of a meter with the request itself.
    if (!qEnvironmentVariableIsSet(sharedMemoryVariable)) {
        qputenv(sharedMemoryVariable, "1");
        sharedMemorySetHere() = true;
    }
}

void restoreAfterApplication()
{
    if (sharedMemorySetHere()) {
        qunsetenv(sharedMemoryVariable);
        sharedMemorySetHere() = false;
    }
    if (!setHere())
        return;
    qunsetenv(platformVariable);
    setHere() = false;
}

} // namespace DisplayPlatform
