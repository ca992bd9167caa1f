#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <unistd.h>

// Writes gzip-compressed tar archives for update tests, including the hostile kinds no honest
// tool would make (paths leading out, links leading out, devices).
struct TestArchive {
    enum class Type { file, folder, symlink, hardlink, fifo };
    struct Entry {
        QString path;
        Type type = Type::file;
        // A file's contents, or a link's target.
        QByteArray data;
        int mode = 0644;
    };

    static bool write(const QString& archivePath, const QList<Entry>& entries, bool compress = true)
    {
        archive* a = archive_write_new();
        if (compress)
            archive_write_add_filter_gzip(a);
        archive_write_set_format_pax_restricted(a);
        bool ok = archive_write_open_filename(a, QFile::encodeName(archivePath).constData()) == ARCHIVE_OK;
        for (const Entry& e : entries) {
            if (!ok)
                break;
            archive_entry* entry = archive_entry_new();
            archive_entry_set_pathname(entry, QFile::encodeName(e.path).constData());
            archive_entry_set_perm(entry, e.mode);
            switch (e.type) {
            case Type::file:
                archive_entry_set_filetype(entry, AE_IFREG);
                archive_entry_set_size(entry, e.data.size());
                break;
            case Type::folder:
                archive_entry_set_filetype(entry, AE_IFDIR);
                break;
            case Type::symlink:
                archive_entry_set_filetype(entry, AE_IFLNK);
                archive_entry_set_symlink(entry, e.data.constData());
                break;
            case Type::hardlink:
                archive_entry_set_filetype(entry, AE_IFREG);
                archive_entry_set_hardlink(entry, e.data.constData());
                break;
            case Type::fifo:
                archive_entry_set_filetype(entry, AE_IFIFO);
                break;
            }
            ok = archive_write_header(a, entry) == ARCHIVE_OK;
            if (ok && e.type == Type::file && !e.data.isEmpty())
                ok = archive_write_data(a, e.data.constData(), size_t(e.data.size())) == e.data.size();
            archive_entry_free(entry);
        }
        ok = archive_write_close(a) == ARCHIVE_OK && ok;
        archive_write_free(a);
        return ok;
    }

    // The whole tree under `folder`, stored under `folder`'s own name, modes kept.
    static bool writeTree(const QString& archivePath, const QString& folder, bool compress = true)
    {
        const QDir base = QFileInfo(folder).dir();
        QList<Entry> entries {{base.relativeFilePath(folder), Type::folder, {}, 0755}};
        QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            const QString name = base.relativeFilePath(info.filePath());
            const QByteArray native = QFile::encodeName(info.filePath());
            struct stat status { };
            if (::lstat(native.constData(), &status) != 0)
                return false;
            const int mode = int(status.st_mode & 07777);
            if (S_ISLNK(status.st_mode)) {
                char target[4096];
                const ssize_t length = ::readlink(native.constData(), target, sizeof target);
                if (length < 0)
                    return false;
                entries.append({name, Type::symlink, QByteArray(target, length), 0777});
            } else if (info.isDir()) {
                entries.append({name, Type::folder, {}, mode});
            } else {
                QFile file(info.filePath());
                if (!file.open(QIODevice::ReadOnly))
                    return false;
                entries.append({name, Type::file, file.readAll(), mode});
            }
        }
        return write(archivePath, entries, compress);
    }
};
