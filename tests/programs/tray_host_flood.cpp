// A tray host in a process of its own that floods its listeners, for the test that shows the
// agent's side of a flood costs nothing that stays.
//   tray_host_flood <count>   takes the status-notifier watcher's name, reports a registered
//                             host, prints "ready"; then for every line on standard input sends
//                             <count> host registered/unregistered signals and prints "done";
//                             exits when standard input closes
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
public:
    bool isHostRegistered() const { return true; }
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int count = app.arguments().value(1).toInt();
    QDBusConnection bus = QDBusConnection::sessionBus();
    Watcher watcher;
    const QString path = QStringLiteral("/StatusNotifierWatcher");
    const QString interface = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.registerObject(path, &watcher, QDBusConnection::ExportAllProperties)
        || !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")))
        return 2;
    std::puts("ready");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            app.quit();
            return;
        }
        for (int i = 0; i < count; ++i) {
            const char* name = i % 2 == 0 ? "StatusNotifierHostUnregistered" : "StatusNotifierHostRegistered";
            bus.send(QDBusMessage::createSignal(path, interface, QString::fromLatin1(name)));
            if (i % 500 == 0)
                bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                    QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
                    QStringLiteral("GetId")));
        }
        std::puts("done");
        std::fflush(stdout);
    });
    return app.exec();
}

#include "tray_host_flood.moc"
