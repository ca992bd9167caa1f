#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Whether an installation may replace itself. Only one that belongs to the user who runs it does:
// a copy installed from a package, one owned by another user (root, typically), or one in a
// system-wide place is updated by the package manager or the administrator, and the updater keeps
// its hands off it.
namespace UpdateInstallation {

struct Paths {
    // Where dpkg lists the files of each installed package (<package>.list).
    QString dpkgInfo = QStringLiteral("/var/lib/dpkg/info");
    // Folders whose contents are system-wide installations, whoever runs them.
    QStringList systemPrefixes {QStringLiteral("/usr"), QStringLiteral("/opt")};
};

// Why the bundle at `bundlePath` must not update itself (a plain lower-case sentence for the
// log), or none when it may. `packageName` is the name of the package that would install it.
std::optional<QString> reasonNotToUpdate(
    const QString& bundlePath, const QString& packageName, const Paths& paths = {});

// True when `bundlePath` is listed among the files of `packageName`.
bool isFromPackage(const QString& bundlePath, const QString& packageName, const Paths& paths = {});

} // namespace UpdateInstallation
