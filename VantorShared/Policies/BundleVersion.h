#pragma once

#include <QString>

class Bundle;

// The version name of a program: its short version and build from Info.plist (each "?" when
// absent or not text), written as UpdateOffer::name does.
namespace BundleVersion {

// The running program's version name.
QString text();
QString text(const Bundle& bundle);

} // namespace BundleVersion
