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

// Whoever owns this name on the session bus is the agent of this session and settings suite; the
// settings app hears it come and go without polling. The default suite's agent owns
// "com.quillon.vantor.agent"; another suite's adds a digest of the suite name, so installations
// with their own suite run side by side.
QString agentBusName();
QString agentBusName(const QString& suite);
// Without a session bus, the agent holds this lock file for its life instead: in the runtime
// folder ($XDG_RUNTIME_DIR/vantor), else in our own settings folder.
QString agentLockPath();

// The agent bundle inside this app's bundle.
QString embeddedAgentURL();
// The running agent processes (every installation's), in process-list order.
QList<ProcessScan::Entry> agentProcesses();
// The agent of this session and suite: the owner of agentBusName() on this process's session bus,
// else the holder of agentLockPath(). Its pid when it can be learned (0 when it cannot). Any other
// copy of the agent program (another session's, a readings snapshot) does not count.
std::optional<qint32> runningAgent();
// The bundle of the agent that started first (an entry without a start time counts as the
// latest; on a tie the earlier entry wins); none when no agent runs or it runs outside a bundle.
// Without arguments: the bundle of runningAgent().
std::optional<Bundle> runningAgentBundle();
std::optional<Bundle> runningAgentBundle(const QList<ProcessScan::Entry>& agents);
// Starts the embedded agent unless runningAgent() finds one. A running one may be an agent that
// was just told to quit, so while `agentEnabled` stays on this looks again every half second, up
// to `retriesLeft` more times. A start that fails is logged, not retried; the result says whether
// the program was started now.
bool launchAgentIfNeeded(int retriesLeft);
// In the settings app: `changed` runs on the main thread whenever an agent takes or drops the
// name. The observation lives as long as `context`.
void observeAgentPresence(QObject* context, std::function<void()> changed);

// For tests: where agentProcesses() comes from (null restores the process list). While it is set,
// runningAgent() is the first of those processes instead of the bus name's owner.
void setAgentProcessesForTesting(std::function<QList<ProcessScan::Entry>()> source);

} // namespace AppLinks
