#pragma once

#include "Platform/Notifications/DesktopNotifier.h"

#include <QDBusConnection>

// Notifications through `org.freedesktop.Notifications` on the session bus.
class FreedesktopNotifier : public DesktopNotifier {
    Q_OBJECT
public:
    FreedesktopNotifier(QString applicationName, QString iconName,
        QDBusConnection connection = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    void notify(const QString& title, const QString& body) override;

    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");

private:
    QString m_applicationName;
    QString m_iconName;
    QDBusConnection m_connection;
    bool m_reportedFailure = false;
};
