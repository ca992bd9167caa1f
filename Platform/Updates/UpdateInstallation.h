#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include <sys/types.h>

// Whether an installation may replace itself. Only one that belongs to the user who runs it, and
// that no one else can tamper with, does: a copy installed from a package, one owned by root (even
// when root runs it) or another user, or one in a system-wide place is updated by the package
// manager or the administrator, and the updater keeps its hands off it. Nor does a copy update
// itself in a folder that others may write to (a shared group folder, a sticky folder like /tmp):
// they could plant entries beside it that the updater would then clean up or install over.
namespace UpdateInstallation {

struct Paths {
    // Where dpkg lists the files of each installed package (<package>.list).
    QString dpkgInfo = QStringLiteral("/var/lib/dpkg/info");
    // Folders whose contents are system-wide installations, whoever runs them.
    QStringList systemPrefixes {QStringLiteral("/usr"), QStringLiteral("/opt")};
    // The administrator's account, whose copies never update themselves. Tests that run as root
    // name another, so that their own copies count as a user's.
    uid_t administrator = 0;
};

// Why the bundle at `bundlePath` must not update itself (a plain lower-case sentence for the
// log), or none when it may. `packageName` is the name of the package that would install it.
std::optional<QString> reasonNotToUpdate(
    const QString& bundlePath, const QString& packageName, const Paths& paths = {});

// True when `bundlePath` is listed among the files of `packageName`.
bool isFromPackage(const QString& bundlePath, const QString& packageName, const Paths& paths = {});

} // namespace UpdateInstallation
