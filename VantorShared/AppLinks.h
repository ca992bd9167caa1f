#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// How each program finds and starts the other.
namespace AppLinks {

// The environment contains XCTestConfigurationFilePath (computed once).
bool isUnitTestHost();
// The settings app that contains this agent (four levels up), else the installed one.
std::optional<QString> containingAppURL();
// Posts openSettings, then starts the containing app with testEnvironment().
void openSettingsApp();
// The five variables passed on to the other program, in order, when set here.
QList<QPair<QString, QString>> testEnvironment();

} // namespace AppLinks
