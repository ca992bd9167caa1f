#pragma once

#include <QString>
#include <QVariantMap>

#include <array>

class PreferencesDomain;

// The one place both programs keep their settings: the name of the shared suite, the store behind
// it, the factory defaults, and the names of every key and environment variable either program
// reads. Nothing else spells a key or a variable.
namespace SharedSettings {

// Keys of the shared suite.
namespace Key {
inline const QString agentEnabled = QStringLiteral("agentEnabled");
inline const QString settingsPane = QStringLiteral("settingsPane");
inline const QString refreshInterval = QStringLiteral("refreshInterval");
inline const QString showCPUItem = QStringLiteral("showCPUItem");
inline const QString showMemoryItem = QStringLiteral("showMemoryItem");
inline const QString showStorageItem = QStringLiteral("showStorageItem");
inline const QString showSensorsItem = QStringLiteral("showSensorsItem");
inline const QString cpuReadout = QStringLiteral("cpuReadout");
inline const QString sensorsReadout = QStringLiteral("sensorsReadout");
inline const QString showMemoryPercent = QStringLiteral("showMemoryPercent");
inline const QString meterStyle = QStringLiteral("meterStyle");
inline const QString meterShape = QStringLiteral("meterShape");
inline const QString menuBarOrder = QStringLiteral("menuBarOrder");
inline const QString language = QStringLiteral("language");
inline const QString temperatureUnit = QStringLiteral("temperatureUnit");
inline const QString meterLabelStyle = QStringLiteral("meterLabelStyle");
inline const QString accentChoice = QStringLiteral("accentChoice");
inline const QString performanceCoreAccent = QStringLiteral("performanceCoreAccent");
inline const QString popoverAppearance = QStringLiteral("popoverAppearance");
inline const QString popoverBackground = QStringLiteral("popoverBackground");
inline const QString updatesCheckAutomatically = QStringLiteral("updatesCheckAutomatically");
inline const QString updaterCanCheck = QStringLiteral("updaterCanCheck");
inline const QString didUnregisterLegacyLoginItem = QStringLiteral("didUnregisterLegacyLoginItem");
inline const QString cpuAccent = QStringLiteral("cpuAccent");
inline const QString cpuFastCoreAccent = QStringLiteral("cpuFastCoreAccent");
inline const QString memoryAccent = QStringLiteral("memoryAccent");
inline const QString storageAccent = QStringLiteral("storageAccent");
inline const QString memoryReadout = QStringLiteral("memoryReadout");
inline const QString storageReadout = QStringLiteral("storageReadout");
inline const QString updatesAvailable = QStringLiteral("updatesAvailable");
inline const QString menuBarMode = QStringLiteral("menuBarMode");

// Published by the agent for the settings app, written only when they change: the readouts this
// machine can supply (texts "<section>.<readout>", e.g. "cpu.temperature"; absent while not yet
// known), and where the meters are shown now ("bar" or "tray").
inline const QString availableReadouts = QStringLiteral("availableReadouts");
inline const QString menuBarPresentation = QStringLiteral("menuBarPresentation");

// Other machines, read from a Prometheus server; an empty server means off.
inline const QString machinesServer = QStringLiteral("machinesServer");
inline const QString machinesFilter = QStringLiteral("machinesFilter");
inline const QString showMachinesItem = QStringLiteral("showMachinesItem");
inline const QString machinesAlerts = QStringLiteral("machinesAlerts");
inline const QString machinesCPUThreshold = QStringLiteral("machinesCPUThreshold");
inline const QString machinesMemoryThreshold = QStringLiteral("machinesMemoryThreshold");
inline const QString machinesDiskThreshold = QStringLiteral("machinesDiskThreshold");
inline const QString machinesTemperatureThreshold = QStringLiteral("machinesTemperatureThreshold");
// "none", "basic" or "bearer"; the secret itself lives in the desktop's secret service.
inline const QString machinesAuthKind = QStringLiteral("machinesAuthKind");
inline const QString machinesUser = QStringLiteral("machinesUser");
// SHA-256 fingerprint (hex) of a self-signed server certificate the user chose to trust.
inline const QString machinesTrustedCertificate = QStringLiteral("machinesTrustedCertificate");
// This computer's readings for Prometheus: a port of 0 means off; an empty address means loopback.
inline const QString metricsExportPort = QStringLiteral("metricsExportPort");
inline const QString metricsExportAddress = QStringLiteral("metricsExportAddress");

// Keys of a program's own standard domain.
inline const QString itemGeneration = QStringLiteral("Vantor.itemGeneration");
inline const QString statusItemPreferredPositionPrefix = QStringLiteral("NSStatusItem Preferred Position ");
inline const QString statusItemVisiblePrefix = QStringLiteral("NSStatusItem Visible ");
inline const QString appleLanguages = QStringLiteral("AppleLanguages");
} // namespace Key

// Environment variables; a "1" test compares with the one-character text "1" exactly.
namespace Env {
inline const QString settingsSuite = QStringLiteral("VANTOR_SETTINGS_SUITE");
inline const QString language = QStringLiteral("VANTOR_LANGUAGE");
inline const QString uiTesting = QStringLiteral("VANTOR_UI_TESTING");
inline const QString disableUpdater = QStringLiteral("VANTOR_DISABLE_UPDATER");
inline const QString noLoginItem = QStringLiteral("VANTOR_NO_LOGIN_ITEM");
inline const QString panelBudget = QStringLiteral("VANTOR_PANEL_BUDGET");
inline const QString testConfiguration = QStringLiteral("XCTestConfigurationFilePath");
// A recorded sensor table the agent replays in place of this machine's sensors.
inline const QString sensorTable = QStringLiteral("VANTOR_SENSOR_TABLE");
// Overrides "menuBarMode" for one run.
inline const QString menuBarMode = QStringLiteral("VANTOR_MENU_BAR_MODE");
} // namespace Env

inline const QString defaultSuiteName = QStringLiteral("K3ZP8T2NQX.com.quillon.vantor");

// VANTOR_SETTINGS_SUITE when the environment has it (used unchanged, even empty), else the
// default suite. Computed once.
QString suiteName();

// The shared store, opened once by suiteName(); a suite that cannot name a file (empty, a path,
// control characters, too long) falls back to the process's standard domain. Signals keep the
// suite's own name either way.
PreferencesDomain& store();

// The registered factory defaults.
const QVariantMap& factoryDefaults();

// Registers factoryDefaults() in store(); lives in this process's memory only.
void registerDefaults();

// What each program runs first at launch, before reading any setting: register the factory
// defaults, then migrate the older accent settings.
void prepareAtLaunch();

// The six cross-process signals.
enum class Signal { settings, quitAgent, openSettings, checkForUpdates, updateAvailable, menuBarChanged };
inline constexpr std::array<Signal, 6> allSignals {Signal::settings, Signal::quitAgent, Signal::openSettings,
    Signal::checkForUpdates, Signal::updateAvailable, Signal::menuBarChanged};
QString suffix(Signal signal);
// suiteName() + "." + suffix.
QString name(Signal signal);
// Posts the signal once; fire and forget.
void post(Signal signal);

// For tests: forget the suite name and the store so the next use reads the environment again.
void resetForTesting();

} // namespace SharedSettings
