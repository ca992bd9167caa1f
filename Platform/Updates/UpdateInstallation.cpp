#include "Platform/Updates/UpdateInstallation.h"

#include "Platform/Files/DirectoryEntries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace UpdateInstallation {
namespace {

constexpr mode_t writableByOthers = S_IWGRP | S_IWOTH;

// Why a folder on the way to the installation lets others move or replace what lies in it; none
// when only this user or root can. A sticky folder (like /tmp) lets no one rename another's entry.
std::optional<QString> unsafeAncestor(const QString& folder)
{
    QString path = folder;
    for (;;) {
        struct stat status { };
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            return QStringLiteral("%1 cannot be examined").arg(path);
        if (status.st_uid != ::geteuid() && status.st_uid != 0)
            return QStringLiteral("%1 belongs to another user (uid %2)").arg(path).arg(status.st_uid);
        if ((status.st_mode & writableByOthers) != 0 && (status.st_mode & S_ISVTX) == 0)
            return QStringLiteral("%1 is writable by other users").arg(path);
        if (path == QLatin1String("/"))
            return std::nullopt;
        path = QFileInfo(path).path();
    }
}

} // namespace

bool isFromPackage(const QString& bundlePath, const QString& packageName, const Paths& paths)
{
    if (packageName.isEmpty())
        return false;
    const QFileInfo bundle(bundlePath);
    const QByteArray canonical = QFile::encodeName(bundle.canonicalFilePath());
    const QByteArray absolute = QFile::encodeName(bundle.absoluteFilePath());
    // Packages that can be installed for several architectures list their files per architecture.
    const QDir info(paths.dpkgInfo);
    QStringList lists {info.filePath(packageName + QStringLiteral(".list"))};
    for (const QString& name :
        DirectoryEntries::matching(info, QString(packageName + QLatin1Char(':')), u".list", QDir::Files))
        lists.append(info.filePath(name));
    for (const QString& list : lists) {
        QFile file(list);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        while (!file.atEnd()) {
            const QByteArray line = file.readLine().trimmed();
            if (line == absolute || (!canonical.isEmpty() && line == canonical))
                return true;
        }
    }
    return false;
}

std::optional<QString> reasonNotToUpdate(const QString& bundlePath, const QString& packageName, const Paths& paths)
{
    const QFileInfo bundle(bundlePath);
    if (isFromPackage(bundlePath, packageName, paths))
        return QStringLiteral("%1 was installed from the %2 package; the package manager updates it")
            .arg(bundle.absoluteFilePath(), packageName);
    struct stat status { };
    if (::stat(QFile::encodeName(bundle.absoluteFilePath()).constData(), &status) != 0)
        return QStringLiteral("%1 cannot be examined").arg(bundle.absoluteFilePath());
    if (status.st_uid == paths.administrator)
        return QStringLiteral("%1 belongs to root; the administrator updates it").arg(bundle.absoluteFilePath());
    if (status.st_uid != ::geteuid())
        return QStringLiteral("%1 belongs to another user (uid %2); its owner updates it")
            .arg(bundle.absoluteFilePath())
            .arg(status.st_uid);
    const QString canonical = bundle.canonicalFilePath();
    for (const QString& prefix : paths.systemPrefixes)
        if (canonical.startsWith(prefix + QLatin1Char('/')))
            return QStringLiteral("%1 is a system-wide installation; the administrator updates it").arg(canonical);
    // Others who may write beside the bundle could plant entries that the updater cleans up or
    // swaps; others who may write inside it could change what it runs.
    struct stat folder { };
    if (::stat(QFile::encodeName(bundle.absolutePath()).constData(), &folder) != 0)
        return QStringLiteral("%1 cannot be examined").arg(bundle.absolutePath());
    if (folder.st_uid != ::geteuid() || (folder.st_mode & writableByOthers) != 0)
        return QStringLiteral("%1 is in %2, which other users may write to; updates are off")
            .arg(bundle.absoluteFilePath(), bundle.absolutePath());
    if ((status.st_mode & writableByOthers) != 0)
        return QStringLiteral("%1 is writable by other users; updates are off").arg(bundle.absoluteFilePath());
    const QString folderPath = QFileInfo(bundle.absolutePath()).canonicalFilePath();
    if (const auto unsafe = unsafeAncestor(QFileInfo(folderPath).path()))
        return QStringLiteral("%1 lies under a folder others control (%2); updates are off")
            .arg(bundle.absoluteFilePath(), *unsafe);
    // The swap renames the bundle, so both the bundle and the folder holding it must be writable.
    const QByteArray self = QFile::encodeName(bundle.absoluteFilePath());
    const QByteArray parent = QFile::encodeName(bundle.absolutePath());
    if (::access(self.constData(), W_OK) != 0 || ::access(parent.constData(), W_OK) != 0)
        return QStringLiteral("%1 is not writable by this user").arg(bundle.absoluteFilePath());
    return std::nullopt;
}

} // namespace UpdateInstallation
