#pragma once

#include <QProcessEnvironment>
#include <QString>

// Whether this run of the agent leaves updates alone.
namespace UpdatePolicy {

// True when VANTOR_DISABLE_UPDATER or VANTOR_UI_TESTING is exactly "1", when the test-host marker
// is set at all, or when there is no signing key to verify updates with.
bool isDisabled(const QProcessEnvironment& environment, const QString& publicKey);

} // namespace UpdatePolicy
