#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// Whether this process must leave the login items alone: automated test runs and launches told
// not to touch them neither register nor unregister anything.
namespace LoginItemPolicy {

inline const QString noLoginItemArgument = QStringLiteral("-VantorNoLoginItem");

// True when VANTOR_NO_LOGIN_ITEM or VANTOR_UI_TESTING is exactly "1", when
// XCTestConfigurationFilePath is present (any value), or when an argument is exactly
// "-VantorNoLoginItem".
bool isSuppressed(const QMap<QString, QString>& environment, const QStringList& arguments);
// The same for this process's real environment and arguments, read afresh on every call.
bool isSuppressed();

} // namespace LoginItemPolicy
