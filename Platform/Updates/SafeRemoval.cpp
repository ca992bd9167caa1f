#include "Platform/Updates/SafeRemoval.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace SafeRemoval {
namespace {

// Our staging trees are a bundle deep; a tree deeper than this was not made by us.
constexpr int maximumDepth = 64;

bool removeWithin(int parentDescriptor, const char* name, int depth)
{
    struct stat status { };
    if (::fstatat(parentDescriptor, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (status.st_uid != ::geteuid())
        return false;
    if (!S_ISDIR(status.st_mode))
        return ::unlinkat(parentDescriptor, name, 0) == 0 || errno == ENOENT;
    if (depth >= maximumDepth)
        return false;
    // O_NOFOLLOW and the device and inode check: the folder we examined is the one we empty,
    // even if someone swapped it for a link in between.
    const int descriptor = ::openat(parentDescriptor, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    struct stat opened { };
    if (::fstat(descriptor, &opened) != 0 || opened.st_dev != status.st_dev || opened.st_ino != status.st_ino) {
        ::close(descriptor);
        return false;
    }
    DIR* folder = ::fdopendir(descriptor);
    if (!folder) {
        ::close(descriptor);
        return false;
    }
    bool emptied = true;
    while (const dirent* entry = ::readdir(folder)) {
        const QByteArray child(entry->d_name);
        if (child == "." || child == "..")
            continue;
        emptied = removeWithin(::dirfd(folder), entry->d_name, depth + 1) && emptied;
    }
    ::closedir(folder);
    return emptied && (::unlinkat(parentDescriptor, name, AT_REMOVEDIR) == 0 || errno == ENOENT);
}

} // namespace

bool removeEntry(int parentDescriptor, const QByteArray& name)
{
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/'))
        return false;
    return removeWithin(parentDescriptor, name.constData(), 0);
}

bool remove(const QString& path)
{
    const QFileInfo info(path);
    const int parent = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0)
        return false;
    const bool removed = removeEntry(parent, QFile::encodeName(info.fileName()));
    ::close(parent);
    return removed;
}

} // namespace SafeRemoval
