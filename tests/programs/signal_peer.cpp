// A second process for the cross-process tests of the store and the signals.
//   signal_peer listen <signal> <key>...  prints "ready", then on the first delivery of <signal>
//                                         prints "<key>=<value>" lines and exits 0; exits 3 after
//                                         the timeout (VANTOR_PEER_TIMEOUT_MS, default 10000)
//   signal_peer write <prefix> <count>    writes <count> keys "<prefix><i>" into the shared store
//   signal_peer post <signal>             posts <signal> once
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/Settings/SignalListener.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTimer>

#include <cstdio>

namespace {

std::optional<SharedSettings::Signal> signalNamed(const QString& suffix)
{
    for (const auto signal : SharedSettings::allSignals)
        if (SharedSettings::suffix(signal) == suffix)
            return signal;
    return std::nullopt;
}

QString describe(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("<none>");
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return value.toString();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return 64;
    SharedSettings::registerDefaults();
    const QString mode = args.at(1);

    if (mode == QLatin1String("write")) {
        const int count = args.value(3).toInt();
        for (int i = 0; i < count; ++i)
            SharedSettings::store().setInteger(args.at(2) + QString::number(i), i);
        return 0;
    }

    const auto signal = signalNamed(args.at(2));
    if (!signal)
        return 64;

    if (mode == QLatin1String("post")) {
        SharedSettings::post(*signal);
        // Let the bus connection flush before the process goes away.
        QTimer::singleShot(200, &app, &QCoreApplication::quit);
        return app.exec();
    }

    if (mode != QLatin1String("listen"))
        return 64;
    const QStringList keys = args.mid(3);
    SignalListener listener;
    listener.listen(*signal, [&] {
        for (const QString& key : keys)
            std::printf("%s=%s\n", qPrintable(key), qPrintable(describe(SharedSettings::store().objectForKey(key))));
        std::fflush(stdout);
        app.exit(0);
    });
    if (listener.tokens().isEmpty()) {
        std::printf("no bus\n");
        return 4;
    }
    const int timeout = qEnvironmentVariableIsSet("VANTOR_PEER_TIMEOUT_MS")
        ? qEnvironmentVariableIntValue("VANTOR_PEER_TIMEOUT_MS")
        : 10000;
    QTimer::singleShot(timeout, &app, [&] { app.exit(3); });
    // A round trip to the bus daemon: it handles this connection's messages in order, so once
    // the reply is here our match rule is in place and a post after "ready" reaches us.
    QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.freedesktop.DBus"));
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
