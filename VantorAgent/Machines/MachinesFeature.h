#pragma once

#include <QObject>

#include <memory>

class DesktopNotifier;
class MachineNotifications;
class MachinesMonitor;
class MachinesStatusItem;
class PreferencesDomain;
class SecretStore;
class StatusBar;

// Everything the agent does for the other machines, made once at start-up: the monitor that asks
// the Prometheus server, the meter and its panel, and the notifications.
class MachinesFeature : public QObject {
    Q_OBJECT
public:
    // The desktop's secret service and notification service.
    MachinesFeature(StatusBar& statusBar, PreferencesDomain& agentDefaults, QObject* parent = nullptr);
    // Given services (tests).
    MachinesFeature(StatusBar& statusBar, PreferencesDomain& agentDefaults, std::unique_ptr<SecretStore> secrets,
        std::unique_ptr<DesktopNotifier> notifier, QObject* parent = nullptr);
    ~MachinesFeature() override;

    // After a settings change: the server, credentials, thresholds, the item's visibility.
    void applySettings();

    MachinesMonitor& monitor() const { return *m_monitor; }
    MachinesStatusItem& statusItem() const { return *m_item; }
    MachineNotifications& notifications() const { return *m_notifications; }

private:
    std::unique_ptr<SecretStore> m_secrets;
    std::unique_ptr<DesktopNotifier> m_notifier;
    std::unique_ptr<MachinesMonitor> m_monitor;
    std::unique_ptr<MachineNotifications> m_notifications;
    std::unique_ptr<MachinesStatusItem> m_item;
};
