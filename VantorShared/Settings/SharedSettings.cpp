#include "VantorShared/Settings/SharedSettings.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "Platform/Signals/SignalTransport.h"
#include "VantorShared/Meters/MeterSettings.h"

#include <memory>
#include <optional>

namespace SharedSettings {
namespace {

std::optional<QString>& cachedSuiteName()
{
    static std::optional<QString> name;
    return name;
}

std::unique_ptr<PreferencesDomain>& cachedStore()
{
    static std::unique_ptr<PreferencesDomain> store;
    return store;
}

} // namespace

QString suiteName()
{
    auto& name = cachedSuiteName();
    if (!name) {
        const QByteArray variable = Env::settingsSuite.toLocal8Bit();
        name = qEnvironmentVariableIsSet(variable.constData()) ? qEnvironmentVariable(variable.constData())
                                                               : defaultSuiteName;
    }
    return *name;
}

PreferencesDomain& store()
{
    auto& store = cachedStore();
    if (!store)
        store = PreferencesDomain::open(suiteName());
    // A suite name that cannot be a domain (empty, a path) means the process's own domain.
    return store ? *store : PreferencesDomain::standard();
}

const QVariantMap& factoryDefaults()
{
    static const QVariantMap defaults {
        {Key::agentEnabled, true},
        {Key::settingsPane, QStringLiteral("menuBar")},
        {Key::refreshInterval, 1.0},
        {Key::showCPUItem, true},
        {Key::showMemoryItem, true},
        {Key::showStorageItem, true},
        {Key::showSensorsItem, true},
        {Key::cpuReadout, QStringLiteral("temperature")},
        {Key::sensorsReadout, QStringLiteral("power")},
        {Key::showMemoryPercent, true},
        {Key::meterStyle, QStringLiteral("bars")},
        {Key::meterShape, QStringLiteral("pill")},
        {Key::menuBarOrder, QStringLiteral("storage,sensors,memory,cpu")},
        {Key::language, QStringLiteral("system")},
        {Key::temperatureUnit, QStringLiteral("system")},
        {Key::meterLabelStyle, QStringLiteral("icons")},
        {Key::accentChoice, QStringLiteral("signal")},
        {Key::performanceCoreAccent, QStringLiteral("indigo")},
        {Key::popoverAppearance, QStringLiteral("system")},
        {Key::popoverBackground, QStringLiteral("translucent")},
        {Key::updatesCheckAutomatically, true},
        {Key::updaterCanCheck, false},
        {Key::didUnregisterLegacyLoginItem, false},
        {Key::menuBarMode, QStringLiteral("auto")},
        {Key::machinesServer, QString()},
        {Key::machinesFilter, QStringLiteral("job=\"node\"")},
        {Key::showMachinesItem, true},
        {Key::machinesAlerts, true},
        {Key::machinesCPUThreshold, 0.9},
        {Key::machinesMemoryThreshold, 0.9},
        {Key::machinesDiskThreshold, 0.9},
        {Key::machinesTemperatureThreshold, 85.0},
        {Key::machinesAuthKind, QStringLiteral("none")},
        {Key::machinesUser, QString()},
        {Key::machinesTrustedCertificate, QString()},
        {Key::metricsExportPort, 0},
        {Key::metricsExportAddress, QString()},
    };
    return defaults;
}

void registerDefaults()
{
    store().registerDefaults(factoryDefaults());
}

void prepareAtLaunch()
{
    registerDefaults();
    MeterSettings::migrateAccents();
}

QString suffix(Signal signal)
{
    switch (signal) {
    case Signal::settings:
        return QStringLiteral("settings");
    case Signal::quitAgent:
        return QStringLiteral("quitAgent");
    case Signal::openSettings:
        return QStringLiteral("openSettings");
    case Signal::checkForUpdates:
        return QStringLiteral("checkForUpdates");
    case Signal::updateAvailable:
        return QStringLiteral("updateAvailable");
    case Signal::menuBarChanged:
        return QStringLiteral("menuBarChanged");
    }
    return {};
}

QString name(Signal signal)
{
    return suiteName() + QLatin1Char('.') + suffix(signal);
}

void post(Signal signal)
{
    SignalTransport::shared().post(name(signal));
}

void resetForTesting()
{
    cachedSuiteName().reset();
    cachedStore().reset();
}

} // namespace SharedSettings
