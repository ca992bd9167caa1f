#include "Platform/Storage/RootVolume.h"

#include "Platform/Kernel/ProcFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <limits>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

namespace RootVolume {

namespace {

// The next blank-separated field of a mountinfo line.
std::string_view nextField(std::string_view& line)
{
    while (!line.empty() && line.front() == ' ')
        line.remove_prefix(1);
    const size_t end = line.find(' ');
    const std::string_view field = line.substr(0, end);
    line.remove_prefix(end == std::string_view::npos ? line.size() : end);
    return field;
}

// Mountinfo writes blanks, tabs, newlines and backslashes in paths as three octal digits.
QByteArray unescapeOctal(std::string_view text)
{
    QByteArray out;
    out.reserve(qsizetype(text.size()));
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3' && text[i + 2] >= '0'
            && text[i + 2] <= '7' && text[i + 3] >= '0' && text[i + 3] <= '7') {
            out.append(char((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0')));
            i += 3;
        } else {
            out.append(text[i]);
        }
    }
    return out;
}

qint64 bytes(quint64 blocks, quint64 blockSize)
{
    quint64 product = 0;
    if (__builtin_mul_overflow(blocks, blockSize, &product) || product > quint64(std::numeric_limits<qint64>::max()))
        return std::numeric_limits<qint64>::max();
    return qint64(product);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<RootMount> parseRootMount(std::string_view mountinfo)
{
    std::optional<RootMount> found;
    while (!mountinfo.empty()) {
        std::string_view line = ProcParse::nextLine(mountinfo);
        // id, parent id, major:minor, root, mount point, options, optional fields…, "-", type,
        // source, super options.
        nextField(line);
        nextField(line);
        const std::string_view device = nextField(line);
        nextField(line);
        const std::string_view mountPoint = nextField(line);
        if (mountPoint != "/")
            continue;
        std::string_view field;
        do
            field = nextField(line);
        while (!field.empty() && field != "-");
        if (field.empty())
            continue;
        nextField(line); // type
        const std::string_view source = nextField(line);
        RootMount mount;
        mount.source = QString::fromUtf8(unescapeOctal(source));
        const size_t colon = device.find(':');
        if (colon != std::string_view::npos) {
            std::from_chars(device.data(), device.data() + colon, mount.major);
            std::from_chars(device.data() + colon + 1, device.data() + device.size(), mount.minor);
        }
        found = mount;
    }
    return found;
}

QString decodeLabel(std::string_view name)
{
    QByteArray out;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hexDigit(name[i + 2]) >= 0
            && hexDigit(name[i + 3]) >= 0) {
            out.append(char(hexDigit(name[i + 2]) * 16 + hexDigit(name[i + 3])));
            i += 3;
        } else {
            out.append(name[i]);
        }
    }
    return QString::fromUtf8(out);
}

std::optional<QString> rootLabel(const QString& procRoot, const QString& devRoot)
{
    QFile file(procRoot + QStringLiteral("/self/mountinfo"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = file.read(4 << 20);
    const auto mount = parseRootMount(std::string_view(text.constData(), size_t(text.size())));
    if (!mount)
        return std::nullopt;

    // The source names a device under /dev; in a captured tree it lives under devRoot.
    QString source = mount->source;
    if (source.startsWith(QLatin1String("/dev/")))
        source = devRoot + source.mid(4);
    const QString sourcePath = QFileInfo(source).canonicalFilePath();

    const QDir labels(devRoot + QStringLiteral("/disk/by-label"));
    const QStringList names = labels.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString link = labels.filePath(name);
        bool same = !sourcePath.isEmpty() && QFileInfo(link).canonicalFilePath() == sourcePath;
        if (!same && (mount->major != 0 || mount->minor != 0)) {
            // A source such as /dev/root does not name the real node; the device numbers do.
            struct stat node { };
            same = ::stat(QFile::encodeName(link).constData(), &node) == 0 && S_ISBLK(node.st_mode)
                && ::major(node.st_rdev) == mount->major && ::minor(node.st_rdev) == mount->minor;
        }
        if (same) {
            const QByteArray raw = QFile::encodeName(name);
            const QString label = decodeLabel(std::string_view(raw.constData(), size_t(raw.size()))).trimmed();
            if (!label.isEmpty())
                return label;
        }
    }
    return std::nullopt;
}

std::optional<VolumeInfo> query(const QString& path, const QString& procRoot, const QString& devRoot)
{
    struct statvfs info { };
    if (::statvfs(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    // Older file systems leave the fragment size 0; the block size is the unit then.
    const quint64 unit = info.f_frsize != 0 ? info.f_frsize : info.f_bsize;
    VolumeInfo volume = capacity(info.f_blocks, info.f_bavail, unit);
    volume.name = rootLabel(procRoot, devRoot);
    return volume;
}

VolumeInfo capacity(quint64 blocks, quint64 availableBlocks, quint64 unit)
{
    // The capacity is the size the user knows the disk by; leaving the reserve out of it made a
    // 270 GB disk with a large reserve read as 103 GB. Nonsense counts (more available than
    // there is) never give more available than capacity.
    VolumeInfo volume;
    volume.total = bytes(blocks, unit);
    volume.available = std::min(bytes(availableBlocks, unit), volume.total);
    return volume;
}

} // namespace RootVolume
