#include "Platform/Updates/ArchiveLibrary.h"

#include <gtest/gtest.h>

// The updater opens libarchive itself; a missing or foreign library must come back as a sentence
// for the user, never as a null function called later.
TEST(ArchiveLibrary, OpensTheInstalledLibraryAndRefusesAMissingOrForeignOne)
{
    QString error;
    const ArchiveLibrary* installed = ArchiveLibrary::instance(&error);
    ASSERT_NE(installed, nullptr) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_NE(installed->archive_read_new, nullptr);
    EXPECT_NE(installed->archive_entry_set_perm, nullptr);
    EXPECT_EQ(ArchiveLibrary::instance(), installed);

    ArchiveLibrary library;
    EXPECT_FALSE(ArchiveLibrary::open("libvantor-no-such-archive.so.0", library, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("libvantor-no-such-archive.so.0"))) << error.toStdString();
    EXPECT_EQ(library.archive_read_new, nullptr);

    // A real library without the functions: the first one looked up is named.
    EXPECT_FALSE(ArchiveLibrary::open("libz.so.1", library, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("lacks archive_error_string"))) << error.toStdString();
    EXPECT_EQ(library.archive_write_free, nullptr);

    ASSERT_TRUE(ArchiveLibrary::open("libarchive.so.13", library, &error));
    EXPECT_NE(library.archive_write_free, nullptr);
}
