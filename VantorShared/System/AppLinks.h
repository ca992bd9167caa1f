#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

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

} // namespace AppLinks
