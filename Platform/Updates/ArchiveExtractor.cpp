#include "Platform/Updates/ArchiveExtractor.h"

#include "Platform/Updates/ArchiveLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <memory>

namespace ArchiveExtractor {
namespace {

struct ReadCloser {
    const ArchiveLibrary* library;
    void operator()(archive* a) const { library->archive_read_free(a); }
};
struct WriteCloser {
    const ArchiveLibrary* library;
    void operator()(archive* a) const { library->archive_write_free(a); }
};

// A path inside the archive that stays inside the destination: relative, no "..".
bool isContained(const QString& path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return false;
    const QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return !components.isEmpty() && !components.contains(QStringLiteral(".."));
}

QStringList componentsOf(const QString& path)
{
    QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    components.removeAll(QStringLiteral("."));
    return components;
}

// The links met so far, by their normalised path inside the archive, each with the path it
// resolves to; and every path that a resolution walked through as a plain folder. A later link at
// such a path would change where the earlier link leads, so it is refused.
struct LinkMap {
    QHash<QString, QStringList> resolved;
    QSet<QString> walkedFolders;

    // True when the entry at `components` would be written through an earlier link; otherwise
    // the folders it lies in are noted as folders.
    bool passesThroughLink(const QStringList& components)
    {
        QString prefix;
        for (qsizetype i = 0; i + 1 < components.size(); ++i) {
            prefix += (i ? QStringLiteral("/") : QString()) + components.at(i);
            if (resolved.contains(prefix))
                return true;
            walkedFolders.insert(prefix);
        }
        return false;
    }

    // Resolves the link at `link` to `target` lexically, against the link's own folder and
    // through earlier links, and records it. False when the target is absolute, leaves the bundle
    // (the link's top-level folder), or the link sits where an earlier resolution saw a folder.
    bool add(const QStringList& link, const QString& target)
    {
        if (link.size() < 2 || target.isEmpty() || target.startsWith(QLatin1Char('/')))
            return false;
        const QString linkPath = link.join(QLatin1Char('/'));
        if (walkedFolders.contains(linkPath) || resolved.contains(linkPath))
            return false;
        QStringList parts = link.mid(0, link.size() - 1);
        QStringList walked;
        for (const QString& component : componentsOf(target)) {
            if (component == QLatin1String("..")) {
                if (parts.isEmpty())
                    return false;
                parts.removeLast();
                continue;
            }
            parts.append(component);
            const QString path = parts.join(QLatin1Char('/'));
            const auto earlier = resolved.constFind(path);
            if (earlier != resolved.constEnd())
                parts = *earlier;
            else
                walked.append(path);
        }
        // Inside the bundle: its top-level folder or anything under it.
        if (parts.isEmpty() || parts.first() != link.first())
            return false;
        // The last part is what the link names; only the folders before it were walked through.
        if (!walked.isEmpty() && walked.last() == parts.join(QLatin1Char('/')))
            walked.removeLast();
        for (const QString& path : std::as_const(walked))
            walkedFolders.insert(path);
        resolved.insert(linkPath, parts);
        return true;
    }
};

QString errorOf(const ArchiveLibrary& library, archive* a, const char* fallback)
{
    const char* message = library.archive_error_string(a);
    return QString::fromLocal8Bit(message ? message : fallback);
}

} // namespace

std::optional<QString> extract(const QString& archivePath, const QString& destination, Limits limits)
{
    QString unavailable;
    const ArchiveLibrary* library = ArchiveLibrary::instance(&unavailable);
    if (!library)
        return unavailable;
    const ArchiveLibrary& la = *library;
    std::unique_ptr<archive, ReadCloser> reader(la.archive_read_new(), ReadCloser {library});
    std::unique_ptr<archive, WriteCloser> writer(la.archive_write_disk_new(), WriteCloser {library});
    if (!reader || !writer)
        return QStringLiteral("out of memory");
    la.archive_read_support_filter_all(reader.get());
    la.archive_read_support_format_tar(reader.get());
    la.archive_read_support_format_gnutar(reader.get());
    la.archive_read_support_format_zip(reader.get());
    // The owner is always the user who installs; permissions and times come from the archive.
    la.archive_write_disk_set_options(writer.get(),
        ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_SYMLINKS
            | ARCHIVE_EXTRACT_NO_OVERWRITE);

    const QByteArray path = QFile::encodeName(archivePath);
    if (la.archive_read_open_filename(reader.get(), path.constData(), 64 * 1024) != ARCHIVE_OK)
        return errorOf(la, reader.get(), "cannot open the archive");

    // Entries are written under the destination's real path: names were checked to be relative
    // above, and no link of our own may lie on the way to them.
    const QString root = QFileInfo(destination).canonicalFilePath();
    if (root.isEmpty())
        return QStringLiteral("the folder %1 does not exist").arg(destination);
    qint64 total = 0;
    qint64 entries = 0;
    LinkMap links;
    for (;;) {
        archive_entry* entry = nullptr;
        const int status = la.archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN)
            return errorOf(la, reader.get(), "the archive is damaged");
        if (++entries > limits.entries)
            return QStringLiteral("the archive has too many entries");

        const char* rawName = la.archive_entry_pathname(entry);
        const QString name = rawName ? QFile::decodeName(rawName) : QString();
        if (!isContained(name))
            return QStringLiteral("the archive names a path outside its folder: %1").arg(name);
        const auto type = la.archive_entry_filetype(entry);
        if (la.archive_entry_hardlink(entry))
            return QStringLiteral("the archive holds a hard link: %1").arg(name);
        const QStringList components = componentsOf(name);
        if (links.passesThroughLink(components))
            return QStringLiteral("the archive writes through a link: %1").arg(name);
        if (type == AE_IFLNK) {
            const char* target = la.archive_entry_symlink(entry);
            if (!links.add(components, target ? QFile::decodeName(target) : QString()))
                return QStringLiteral("the archive holds a link that leads outside its bundle: %1").arg(name);
        } else if (type != AE_IFREG && type != AE_IFDIR) {
            return QStringLiteral("the archive holds a special file: %1").arg(name);
        }
        if (la.archive_entry_size_is_set(entry)) {
            total += la.archive_entry_size(entry);
            if (total > limits.totalBytes)
                return QStringLiteral("the archive unpacks to more than %1 bytes").arg(limits.totalBytes);
        }

        const QByteArray target = QFile::encodeName(root + QLatin1Char('/') + name);
        la.archive_entry_set_pathname(entry, target.constData());
        // Nothing gets set-id bits or write access for others, whatever the archive says.
        la.archive_entry_set_perm(entry, la.archive_entry_perm(entry) & 0755);
        if (la.archive_write_header(writer.get(), entry) < ARCHIVE_WARN)
            return errorOf(la, writer.get(), "cannot write a file");
        if (type == AE_IFREG) {
            const void* block = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            for (;;) {
                const int read = la.archive_read_data_block(reader.get(), &block, &size, &offset);
                if (read == ARCHIVE_EOF)
                    break;
                if (read < ARCHIVE_WARN)
                    return errorOf(la, reader.get(), "the archive is damaged");
                // A size the header did not declare still counts against the cap.
                if (!la.archive_entry_size_is_set(entry) && (total += qint64(size)) > limits.totalBytes)
                    return QStringLiteral("the archive unpacks to more than %1 bytes").arg(limits.totalBytes);
                if (la.archive_write_data_block(writer.get(), block, size, offset) < ARCHIVE_WARN)
                    return errorOf(la, writer.get(), "cannot write a file");
            }
        }
        if (la.archive_write_finish_entry(writer.get()) < ARCHIVE_WARN)
            return errorOf(la, writer.get(), "cannot finish a file");
    }
    if (entries == 0)
        return QStringLiteral("the archive is empty");
    if (la.archive_write_close(writer.get()) != ARCHIVE_OK)
        return errorOf(la, writer.get(), "cannot finish writing");
    return std::nullopt;
}

} // namespace ArchiveExtractor
