#include "Platform/Updates/BundleInstaller.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Files/DirectoryEntries.h"
#include "Platform/Logging/PlatformLog.h"
#include "Platform/Updates/SafeRemoval.h"
#include "Platform/Updates/VersionComparison.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A swap record is two lines: the old bundle's name while aside, and the new bundle's path
// relative to the folder; both lie in staging folders.
constexpr qint64 largestRecord = 8192;

bool isStagingName(const QString& name, const QString& prefix)
{
    return name.startsWith(prefix) && name.size() > prefix.size() && !name.contains(QLatin1Char('/'));
}

bool writeRecord(const QString& path, const QByteArray& text)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".new";
    ::unlink(temporary.constData());
    const int descriptor = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return false;
    const bool written
        = ::write(descriptor, text.constData(), size_t(text.size())) == text.size() && ::fsync(descriptor) == 0;
    ::close(descriptor);
    if (!written || ::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

std::optional<QByteArray> readRecord(const QString& path)
{
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    QByteArray text(largestRecord, Qt::Uninitialized);
    const ssize_t length = ::read(descriptor, text.data(), size_t(text.size()));
    ::close(descriptor);
    if (length < 0)
        return std::nullopt;
    text.truncate(length);
    return text;
}

bool exists(const QByteArray& path)
{
    struct stat status { };
    return ::lstat(path.constData(), &status) == 0;
}

// Makes the renames of a swap by hand safe against a crash: with the record present, a bundle
// missing from the install path is put back from aside; with the bundle in place, the swap got
// far enough and only the record goes.
void recoverInterruptedSwap(const QString& installedBundle)
{
    const QString recordPath = swapRecordPath(installedBundle);
    const auto record = readRecord(recordPath);
    if (!record)
        return;
    const QFileInfo installed(installedBundle);
    const QByteArray installPath = QFile::encodeName(installed.absoluteFilePath());
    const QByteArray record8 = QFile::encodeName(recordPath);
    if (exists(installPath)) {
        ::unlink(record8.constData());
        return;
    }
    const QString aside = QString::fromUtf8(record->split('\n').value(0)).trimmed();
    if (!isStagingName(aside, stagingPrefix(installedBundle))) {
        qCWarning(lcPlatform, "the swap record beside %s is damaged; nothing is changed", qPrintable(installedBundle));
        return;
    }
    const QByteArray asidePath = QFile::encodeName(installed.absolutePath() + QLatin1Char('/') + aside);
    if (::rename(asidePath.constData(), installPath.constData()) == 0) {
        qCWarning(
            lcPlatform, "an interrupted update was rolled back: %s is in place again", qPrintable(installedBundle));
        ::unlink(record8.constData());
    } else {
        qCWarning(lcPlatform, "cannot put back %s from %s: %s", qPrintable(installedBundle), asidePath.constData(),
            std::strerror(errno));
    }
}

} // namespace

QString stagingPrefix(const QString& installedBundle)
{
    return QLatin1Char('.') + QFileInfo(installedBundle).fileName() + QStringLiteral(".update-");
}

QString swapRecordPath(const QString& installedBundle)
{
    const QFileInfo bundle(installedBundle);
    return bundle.absolutePath() + QStringLiteral("/.") + bundle.fileName() + QStringLiteral(".swap");
}

void removeLeftovers(const QString& installedBundle)
{
    recoverInterruptedSwap(installedBundle);
    const QFileInfo installed(installedBundle);
    if (!exists(QFile::encodeName(installed.absoluteFilePath()))) {
        qCWarning(lcPlatform, "no bundle at %s; leftovers of updates are kept", qPrintable(installedBundle));
        return;
    }
    const int parent
        = ::open(QFile::encodeName(installed.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0)
        return;
    const QByteArray prefix = QFile::encodeName(stagingPrefix(installedBundle));
    QList<QByteArray> names;
    if (DIR* listing = ::fdopendir(::dup(parent))) {
        while (const dirent* entry = ::readdir(listing)) {
            const QByteArray name(entry->d_name);
            if (name.startsWith(prefix) && name.size() > prefix.size())
                names.append(name);
        }
        ::closedir(listing);
    }
    for (const QByteArray& name : std::as_const(names))
        if (!SafeRemoval::removeEntry(parent, name))
            qCInfo(
                lcPlatform, "left %s beside %s: not all of it is ours", name.constData(), qPrintable(installedBundle));
    ::close(parent);
}

std::optional<QString> findBundle(const QString& folder, const QString& installedBundle)
{
    const QDir dir(folder);
    const QString sameName = dir.filePath(QFileInfo(installedBundle).fileName());
    if (QFileInfo(sameName).isDir())
        return sameName;
    const QStringList bundles = DirectoryEntries::matching(dir, {}, u".app", QDir::Dirs | QDir::NoDotAndDotDot);
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

std::optional<QString> swap(const QString& candidate, const QString& installedBundle, SwapOptions options)
{
    const QByteArray from = QFile::encodeName(QFileInfo(candidate).absoluteFilePath());
    const QByteArray to = QFile::encodeName(QFileInfo(installedBundle).absoluteFilePath());
    if (options.atomicExchange) {
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0)
            return std::nullopt;
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
            return QStringLiteral("cannot exchange the bundles: %1").arg(errnoText());
    }

    // No atomic exchange on this file system: move the old bundle aside, the new one in, and the
    // old one to the new one's place. The record says where each is until the end, so that a
    // crash in between never leaves the install path empty for good.
    const QFileInfo installed(installedBundle);
    const QString asideName
        = stagingPrefix(installedBundle) + QStringLiteral("old-") + QUuid::createUuid().toString(QUuid::Id128);
    const QByteArray aside = QFile::encodeName(installed.absolutePath() + QLatin1Char('/') + asideName);
    const QString relativeCandidate = installed.absoluteDir().relativeFilePath(QFileInfo(candidate).absoluteFilePath());
    const QString recordPath = swapRecordPath(installedBundle);
    if (!writeRecord(recordPath, asideName.toUtf8() + '\n' + relativeCandidate.toUtf8() + '\n'))
        return QStringLiteral("cannot record the swap in %1: %2").arg(recordPath, errnoText());
    const QByteArray record = QFile::encodeName(recordPath);
    int renames = 0;
    const auto interrupted
        = [&] { return options.interruptAfterRenames > 0 && renames >= options.interruptAfterRenames; };

    if (::rename(to.constData(), aside.constData()) != 0) {
        const QString reason = errnoText();
        ::unlink(record.constData());
        return QStringLiteral("cannot move the installed bundle aside: %1").arg(reason);
    }
    ++renames;
    if (interrupted())
        return QStringLiteral("interrupted");
    if (::rename(from.constData(), to.constData()) != 0) {
        const QString reason = errnoText();
        if (::rename(aside.constData(), to.constData()) == 0)
            ::unlink(record.constData());
        return QStringLiteral("cannot move the new bundle in: %1").arg(reason);
    }
    ++renames;
    if (interrupted())
        return QStringLiteral("interrupted");
    // The new bundle is in place: the swap has happened, whatever becomes of the old one.
    ::unlink(record.constData());
    if (::rename(aside.constData(), from.constData()) != 0)
        SafeRemoval::remove(QFile::decodeName(aside));
    return std::nullopt;
}

} // namespace BundleInstaller
