#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QObject>
#include <QStringList>
#include <QTest>
#include <QVariantMap>

// The desktop's notification service, as a test's own object on the session bus: it records what
// it was asked to show. Tests run on a private bus (dbus-run-session), so taking the well-known
// name disturbs no real desktop.
class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString application;
        QString title;
        QString body;
    };

    FakeNotificationService()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || !bus.interface()
            || !bus.registerObject(
                QStringLiteral("/org/freedesktop/Notifications"), this, QDBusConnection::ExportAllSlots))
            return;
        // Tests in other processes on the same bus may hold the name; wait in the queue for it, so
        // that every notification sent while this object exists comes here.
        const QString name = QStringLiteral("org.freedesktop.Notifications");
        bus.interface()->registerService(
            name, QDBusConnectionInterface::QueueService, QDBusConnectionInterface::DontAllowReplacement);
        m_registered
            = QTest::qWaitFor([&] { return bus.interface()->serviceOwner(name).value() == bus.baseService(); }, 30000);
    }
    ~FakeNotificationService() override
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    }

    bool isRegistered() const { return m_registered; }
    QList<Shown> shown;

public slots:
    uint Notify(const QString& application, uint replacesId, const QString& icon, const QString& summary,
        const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(replacesId);
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(hints);
        Q_UNUSED(timeout);
        shown.append({application, summary, body});
        return uint(shown.size());
    }

private:
    bool m_registered = false;
};
