#pragma once

#include "Platform/StatusBar/TrayHostWatcher.h"

#include <QDBusConnection>
#include <QString>

class QDBusServiceWatcher;

// Watches the desktop's status-notifier watcher on the session bus: a tray host is present while
// the watcher service is there and reports a registered host. Panels of KDE Plasma, Xfce,
// Cinnamon, MATE, LXQt and Budgie, and GNOME with the app-indicator extension, all register one.
//
// The first answer is asked for at construction (the agent decides at start-up); later changes
// are followed without blocking.
class StatusNotifierHostWatcher : public TrayHostWatcher {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
    static inline const QString path = QStringLiteral("/StatusNotifierWatcher");
    static inline const QString interface = QStringLiteral("org.kde.StatusNotifierWatcher");

    explicit StatusNotifierHostWatcher(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~StatusNotifierHostWatcher() override;

    bool isHostPresent() const override { return m_present; }

private slots:
    void askAgain();

private:
    void adopt(bool present);

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_serviceWatcher = nullptr;
    bool m_present = false;
    quint64 m_question = 0;
};
