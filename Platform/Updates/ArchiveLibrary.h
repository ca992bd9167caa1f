#pragma once

#include <archive.h>
#include <archive_entry.h>

#include <QString>

// libarchive, opened the first time an update is unpacked rather than linked. The agent runs all
// day and unpacks an archive perhaps once a month; linked, the library and the chain it brings
// (libxml2, nettle, the compressors) would be loaded and kept resident from the first second.
//
// Each member is the function of the same name; the declarations come from libarchive's own
// headers, so a changed signature fails to compile rather than to run.
#define VANTOR_ARCHIVE_FUNCTIONS(X)                                                                                    \
    X(archive_error_string)                                                                                            \
    X(archive_read_new)                                                                                                \
    X(archive_read_free)                                                                                               \
    X(archive_read_support_filter_all)                                                                                 \
    X(archive_read_support_format_tar)                                                                                 \
    X(archive_read_support_format_gnutar)                                                                              \
    X(archive_read_support_format_zip)                                                                                 \
    X(archive_read_open_filename)                                                                                      \
    X(archive_read_next_header)                                                                                        \
    X(archive_read_data_block)                                                                                         \
    X(archive_write_disk_new)                                                                                          \
    X(archive_write_disk_set_options)                                                                                  \
    X(archive_write_header)                                                                                            \
    X(archive_write_data_block)                                                                                        \
    X(archive_write_finish_entry)                                                                                      \
    X(archive_write_close)                                                                                             \
    X(archive_write_free)                                                                                              \
    X(archive_entry_pathname)                                                                                          \
    X(archive_entry_set_pathname)                                                                                      \
    X(archive_entry_filetype)                                                                                          \
    X(archive_entry_hardlink)                                                                                          \
    X(archive_entry_symlink)                                                                                           \
    X(archive_entry_size_is_set)                                                                                       \
    X(archive_entry_size)                                                                                              \
    X(archive_entry_perm)                                                                                              \
    X(archive_entry_set_perm)

struct ArchiveLibrary {
#define VANTOR_ARCHIVE_MEMBER(name) decltype(&::name) name = nullptr;
    VANTOR_ARCHIVE_FUNCTIONS(VANTOR_ARCHIVE_MEMBER)
#undef VANTOR_ARCHIVE_MEMBER

    // The installed library, opened once per process and kept; nullptr, with `error` set to one
    // sentence, when it is missing or lacks a function.
    static const ArchiveLibrary* instance(QString* error = nullptr);

    // Opens `fileName` (a soname or a path) into `library`. False, with `error` set, when it
    // cannot be opened or lacks a function; the handle is then closed again.
    static bool open(const char* fileName, ArchiveLibrary& library, QString* error = nullptr);
};
