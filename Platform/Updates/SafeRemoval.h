#pragma once

#include <QString>

// Removes what an updater left behind in folders that other users may also reach, without ever
// being led elsewhere: links are removed themselves, never followed, and only entries that belong
// to this user are touched.
namespace SafeRemoval {

// Removes `name` inside the open folder `parentDescriptor`: a link or file is unlinked, a folder
// is emptied and removed. Entries of other users, and whatever lies within them, stay. True when
// nothing is left of `name`.
bool removeEntry(int parentDescriptor, const QByteArray& name);

// The same for the entry at `path`.
bool remove(const QString& path);

} // namespace SafeRemoval
