#pragma once

#include <QString>

// Orders build versions such as "27", "1.4.2" or "1.5b3".
namespace VersionComparison {

// Negative, zero or positive as `a` is older than, the same as, or newer than `b`. The texts are
// split into runs of digits and runs of other characters; digit runs compare as numbers of any
// length, other runs as text, and a missing part counts as zero ("1.4" equals "1.4.0").
int compare(const QString& a, const QString& b);

} // namespace VersionComparison
