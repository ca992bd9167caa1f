#include "Platform/Updates/BundleInstaller.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Updates/VersionComparison.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>

namespace BundleInstaller {
namespace {

QString buildOf(const Bundle& bundle)
{
    const QVariant value = bundle.infoValue(QStringLiteral("CFBundleVersion"));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

bool isExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString stagingPrefix(const QString& installedBundle)
{
    return QLatin1Char('.') + QFileInfo(installedBundle).fileName() + QStringLiteral(".update-");
}

void removeLeftovers(const QString& installedBundle)
{
    const QFileInfo installed(installedBundle);
    QDir parent = installed.absoluteDir();
    const QStringList leftovers = parent.entryList(
        {stagingPrefix(installedBundle) + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : leftovers)
        QDir(parent.filePath(name)).removeRecursively();
}

std::optional<QString> findBundle(const QString& folder, const QString& installedBundle)
{
    const QDir dir(folder);
    const QString sameName = dir.filePath(QFileInfo(installedBundle).fileName());
    if (QFileInfo(sameName).isDir())
        return sameName;
    const QStringList bundles = dir.entryList({QStringLiteral("*.app")}, QDir::Dirs | QDir::NoDotAndDotDot);
    if (bundles.size() == 1)
        return dir.filePath(bundles.first());
    return std::nullopt;
}

std::optional<QString> validate(
    const QString& candidate, const QString& installedBundle, const QString& applicationRelativePath)
{
    if (QFileInfo(candidate).isSymLink())
        return QStringLiteral("the new bundle is a symbolic link");
    const auto fresh = Bundle::open(candidate);
    if (!fresh)
        return QStringLiteral("the new bundle has no readable Info.plist");
    const auto current = Bundle::open(installedBundle);
    if (!current)
        return QStringLiteral("the installed bundle has no readable Info.plist");
    if (fresh->identifier().isEmpty() || fresh->identifier() != current->identifier())
        return QStringLiteral("the new bundle is %1, not %2").arg(fresh->identifier(), current->identifier());
    const QString freshBuild = buildOf(*fresh);
    const QString currentBuild = buildOf(*current);
    if (freshBuild.isEmpty() || VersionComparison::compare(freshBuild, currentBuild) <= 0)
        return QStringLiteral("the new bundle's build %1 is not newer than the installed %2")
            .arg(freshBuild.isEmpty() ? QStringLiteral("(none)") : freshBuild, currentBuild);
    if (!isExecutableFile(fresh->executablePath()))
        return QStringLiteral("the new bundle has no executable program");
    if (!applicationRelativePath.isEmpty()) {
        const auto application = Bundle::open(QDir(candidate).filePath(applicationRelativePath));
        if (!application || !isExecutableFile(application->executablePath()))
            return QStringLiteral("the new bundle lacks %1").arg(applicationRelativePath);
    }
    return std::nullopt;
}

std::optional<QString> swap(const QString& candidate, const QString& installedBundle)
{
    const QByteArray from = QFile::encodeName(QFileInfo(candidate).absoluteFilePath());
    const QByteArray to = QFile::encodeName(QFileInfo(installedBundle).absoluteFilePath());
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0)
        return std::nullopt;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return QStringLiteral("cannot exchange the bundles: %1").arg(errnoText());

    // No atomic exchange on this file system: move the old bundle aside, the new one in, and the
    // old one back should the second step fail.
    // Named like a staging folder, so that a crash right here is cleaned up at the next start.
    const QByteArray aside = QFile::encodeName(QFileInfo(installedBundle).absolutePath() + QLatin1Char('/')
        + stagingPrefix(installedBundle) + QStringLiteral("old-") + QUuid::createUuid().toString(QUuid::Id128));
    if (::rename(to.constData(), aside.constData()) != 0)
        return QStringLiteral("cannot move the installed bundle aside: %1").arg(errnoText());
    if (::rename(from.constData(), to.constData()) != 0) {
        const QString reason = errnoText();
        ::rename(aside.constData(), to.constData());
        return QStringLiteral("cannot move the new bundle in: %1").arg(reason);
    }
    if (::rename(aside.constData(), from.constData()) != 0)
        QDir(QFile::decodeName(aside)).removeRecursively();
    return std::nullopt;
}

} // namespace BundleInstaller
