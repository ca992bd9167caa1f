#pragma once

#include <QtGlobal>

// The process's limit on open files.
namespace OpenFileLimit {

// Raises the soft limit to the hard limit, so that the process scan can keep its files open
// without crowding out everything else. Returns the soft limit in force afterwards; 0 when it
// cannot be read. A limit that cannot be raised is left as it is.
quint64 raiseToHardLimit();

} // namespace OpenFileLimit
