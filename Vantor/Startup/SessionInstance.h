#pragma once

#include <QString>

class QDBusConnection;

// One settings app per user session. The first copy owns a name on the session bus; a copy
// started while it runs asks it to show its window and exits, so launchers and the agent's
// "Settings" button never pile up invisible copies.
namespace SessionInstance {

enum class Claim { owned, heldByAnotherCopy, noBus };

// A bus name per settings suite, so two installations with different suites run side by side.
QString busName(const QString& suite);
// Takes `name` on `bus` unless another connection holds it. Without a bus nothing can be told,
// and the app simply runs.
Claim claim(QDBusConnection& bus, const QString& name);
// Asks the running copy to show its window, and waits until the request has left this process
// (it is about to exit, which would drop a message still queued).
void forwardToRunningCopy(QDBusConnection& bus);

} // namespace SessionInstance
