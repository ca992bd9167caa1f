#include "VantorAgent/Machines/MachinesFeature.h"

#include "Platform/Notifications/FreedesktopNotifier.h"
#include "Platform/Secrets/KeychainSecretStore.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachineNotifications.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorAgent/Machines/MachinesStatusItem.h"
#include "VantorShared/Machines/MachinesConnection.h"
#include "VantorShared/Settings/SharedSettings.h"

MachinesFeature::MachinesFeature(StatusBar& statusBar, PreferencesDomain& agentDefaults, QObject* parent)
    : MachinesFeature(statusBar, agentDefaults,
        std::make_unique<KeychainSecretStore>(MachinesConnection::secretService),
        std::make_unique<FreedesktopNotifier>(QStringLiteral("Vantor"), QStringLiteral("com.quillon.vantor")), parent)
{
}

MachinesFeature::MachinesFeature(StatusBar& statusBar, PreferencesDomain& agentDefaults,
    std::unique_ptr<SecretStore> secrets, std::unique_ptr<DesktopNotifier> notifier, QObject* parent)
    : QObject(parent)
    , m_secrets(std::move(secrets))
    , m_notifier(std::move(notifier))
    , m_monitor(std::make_unique<MachinesMonitor>(*m_secrets))
    , m_notifications(std::make_unique<MachineNotifications>(*m_monitor, *m_notifier))
    , m_item(std::make_unique<MachinesStatusItem>(*m_monitor, statusBar, agentDefaults))
{
}

MachinesFeature::~MachinesFeature()
{
    // The item and its panel read the monitor; they go first.
    m_item.reset();
    m_notifications.reset();
    m_monitor.reset();
}

void MachinesFeature::applySettings()
{
    m_monitor->applySettings();
    m_item->applySettings();
    // Notifications need the figures even while the meter is hidden.
    const bool alerts = SharedSettings::store().boolForKey(SharedSettings::Key::machinesAlerts);
    m_monitor->setMeterShown(m_item->isShown() || (m_monitor->isConfigured() && alerts));
}
