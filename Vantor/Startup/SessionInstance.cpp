#include "Vantor/Startup/SessionInstance.h"

#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Support/Log.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

namespace SessionInstance {

QString busName(const QString& suite)
{
    // A suite name may hold characters a bus name cannot; its digest never does.
    const QByteArray digest = QCryptographicHash::hash(suite.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("com.quillon.vantor.Settings.s") + QString::fromLatin1(digest);
}

Claim claim(QDBusConnection& bus, const QString& name)
{
    if (!bus.isConnected() || !bus.interface())
        return Claim::noBus;
    const auto reply = bus.interface()->registerService(
        name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        qCWarning(lcAppLinks, "cannot claim %s on the session bus: %s", qPrintable(name),
            qPrintable(reply.error().message()));
        return Claim::noBus;
    }
    return reply.value() == QDBusConnectionInterface::ServiceRegistered ? Claim::owned : Claim::heldByAnotherCopy;
}

void forwardToRunningCopy(QDBusConnection& bus)
{
    SharedSettings::post(SharedSettings::Signal::openSettings);
    // Messages on one connection leave in order: once this round trip returns, the signal is out.
    if (bus.isConnected() && bus.interface())
        bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
}

} // namespace SessionInstance
