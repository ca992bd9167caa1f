#pragma once

#include "Platform/StatusBar/TrayHostWatcher.h"

#include <QDBusConnection>
#include <QString>
#include <QTimer>

#include <chrono>

class QDBusServiceWatcher;

// Watches the desktop's status-notifier watcher on the session bus: a tray host is present while
// the watcher service is there and reports a registered host. Panels of KDE Plasma, Xfce,
// Cinnamon, MATE, LXQt and Budgie, and GNOME with the app-indicator extension, all register one.
//
// The first answer is asked for at construction (the agent decides at start-up); later changes
// are followed without blocking. A panel that flaps, or a flood of its signals, costs a timer
// restart per signal: the watcher is asked again only once the signals have stopped for
// `settleDelay`, and never while an earlier question is still unanswered.
class StatusNotifierHostWatcher : public TrayHostWatcher {
    Q_OBJECT
public:
    static inline const QString service = QStringLiteral("org.kde.StatusNotifierWatcher");
    static inline const QString path = QStringLiteral("/StatusNotifierWatcher");
    static inline const QString interface = QStringLiteral("org.kde.StatusNotifierWatcher");

    explicit StatusNotifierHostWatcher(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~StatusNotifierHostWatcher() override;

    bool isHostPresent() const override { return m_present; }

    void setSettleDelay(std::chrono::milliseconds delay) { m_settle.setInterval(delay); }
    // How many times the watcher was asked since construction, the first answer included.
    quint64 questionsAsked() const { return m_questionsAsked; }

private slots:
    void noteChange();

private:
    void ask();
    void adopt(bool present);

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_serviceWatcher = nullptr;
    QTimer m_settle;
    bool m_present = false;
    bool m_asking = false;
    bool m_askAgain = false;
    quint64 m_questionsAsked = 0;
};
