#pragma once

#include <QString>

#include <functional>

// Start-up without a graphical session. Qt ends a program that cannot open a display
// with an abort and advice to reinstall; both programs instead say that no display was found and
// exit with a failure status, which a session manager or a login script can act on.
namespace DisplayCheck {

// Why no display can be reached, judged from the environment before Qt tries (`variable` gives
// a variable's value, empty when unset); empty when one may be reachable.
QString missingDisplay(const std::function<QString(const char*)>& variable);
QString missingDisplay();

// Constructs the application through `create`; when Qt gives up for want of a display meanwhile,
// logs why and ends the process with status 1 instead of aborting.
void guardPlatformStart(const std::function<void()>& create);

} // namespace DisplayCheck
