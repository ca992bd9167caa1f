#pragma once

#include "Platform/Bundles/Bundle.h"
#include "VantorShared/System/ProcessScan.h"

#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <optional>

class QObject;

// How each program finds and starts the other.
namespace AppLinks {

inline const QString settingsAppIdentifier = QStringLiteral("com.quillon.vantor");
inline const QString agentIdentifier = QStringLiteral("com.quillon.vantor.agent");

// The environment contains XCTestConfigurationFilePath (computed once).
bool isUnitTestHost();
// The settings app that contains this agent (four levels up), else the installed one.
std::optional<QString> containingAppURL();
// The same for the agent bundle at `agentBundlePath`.
std::optional<QString> containingAppURL(const QString& agentBundlePath);
// Posts openSettings, then starts the containing app's executable detached, with
// testEnvironment() added to this process's environment. The outcome is only logged.
void openSettingsApp();
// The five variables passed on to the other program, in order, when set here.
QList<QPair<QString, QString>> testEnvironment();

// MARK: Starting the agent from the settings app

// The agent keeps this name on the session bus for as long as it runs, so the settings app hears
// it come and go without polling.
inline const QString agentBusName = QStringLiteral("com.quillon.vantor.agent");

// The agent bundle inside this app's bundle.
QString embeddedAgentURL();
// The running agent processes (every installation's), in process-list order.
QList<ProcessScan::Entry> agentProcesses();
// The bundle of the agent that started first (an entry without a start time counts as the
// latest; on a tie the earlier entry wins); none when no agent runs or it runs outside a bundle.
std::optional<Bundle> runningAgentBundle();
std::optional<Bundle> runningAgentBundle(const QList<ProcessScan::Entry>& agents);
// Starts the embedded agent unless one is running. A running one may be an agent that was just
// told to quit, so while `agentEnabled` stays on this looks again every half second, up to
// `retriesLeft` more times. A start that fails is logged, not retried.
void launchAgentIfNeeded(int retriesLeft);

// In the agent: hold agentBusName for the life of the process (queued behind an earlier holder).
void claimAgentBusName();
void releaseAgentBusName();
// In the settings app: `changed` runs on the main thread whenever an agent takes or drops the
// name. The observation lives as long as `context`.
void observeAgentPresence(QObject* context, std::function<void()> changed);

// For tests: where agentProcesses() comes from (null restores the process list).
void setAgentProcessesForTesting(std::function<QList<ProcessScan::Entry>()> source);

} // namespace AppLinks
