#include "Platform/LoginItems/TransientLocation.h"

#include <QDir>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace TransientLocation {
namespace {

bool isInside(const QString& path, const QString& directory)
{
    const QString root = QDir::cleanPath(directory);
    if (root.isEmpty() || root == QLatin1String("/"))
        return false;
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

bool mountedReadOnly(const QString& path)
{
    struct statvfs fs { };
    return ::statvfs(QFile::encodeName(path).constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

} // namespace

bool isTransient(
    const QString& path, const QStringList& temporaryDirectories, const std::function<bool(const QString&)>& isReadOnly)
{
    if (path.isEmpty())
        return false;
    // Both the path as given and with links resolved: /tmp may itself be a link.
    QStringList forms {QDir::cleanPath(path)};
    const QString resolved = QFileInfo(path).canonicalFilePath();
    if (!resolved.isEmpty() && resolved != forms.first())
        forms.append(resolved);
    for (const QString& form : std::as_const(forms))
        for (const QString& directory : temporaryDirectories) {
            QStringList roots {QDir::cleanPath(directory)};
            const QString canonical = QFileInfo(directory).canonicalFilePath();
            if (!canonical.isEmpty())
                roots.append(canonical);
            for (const QString& root : std::as_const(roots))
                if (isInside(form, root))
                    return isReadOnly(path);
        }
    return false;
}

bool isTransient(const QString& path)
{
    return isTransient(path, temporaryDirectories(), mountedReadOnly);
}

QStringList temporaryDirectories()
{
    QStringList directories {QDir::tempPath(), QStringLiteral("/tmp"), QStringLiteral("/var/tmp")};
    directories.removeDuplicates();
    return directories;
}

} // namespace TransientLocation
