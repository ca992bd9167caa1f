#include "Platform/Storage/RootVolume.h"
#include "tests/support/FixtureTree.h"

#include <QFile>

#include <limits>

#include <gtest/gtest.h>

#include <sys/statvfs.h>

TEST(RootVolumeTest, FindsTheDeviceMountedAtTheRoot)
{
    const auto mount = RootVolume::parseRootMount("21 26 0:20 / /proc rw,relatime - proc proc rw\n"
                                                  "26 1 253:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
                                                  "30 26 0:30 / /media/my\\040disk rw - vfat /dev/sdb1 rw\n"
                                                  "31 1 8:3 / / rw master:2 - ext4 /dev/disk\\040one rw\n"
                                                  "broken line\n");
    ASSERT_TRUE(mount);
    // The later mount over "/" hides the earlier one; escapes are undone.
    EXPECT_EQ(mount->source, QStringLiteral("/dev/disk one"));
    EXPECT_EQ(mount->major, 8u);
    EXPECT_EQ(mount->minor, 3u);
    EXPECT_FALSE(RootVolume::parseRootMount("21 26 0:20 / /proc rw - proc proc rw\n"));
    EXPECT_FALSE(RootVolume::parseRootMount("26 1 253:0 / / rw\n"));

    EXPECT_EQ(RootVolume::decodeLabel("My\\x20Disk"), QStringLiteral("My Disk"));
    EXPECT_EQ(RootVolume::decodeLabel("\\xc3\\xa9t\\xc3\\xa9"), QStringLiteral("été"));
    EXPECT_EQ(RootVolume::decodeLabel("odd\\x2"), QStringLiteral("odd\\x2"));
}

TEST(RootVolumeTest, LabelComesFromTheLinkToTheRootDevice)
{
    FixtureTree tree;
    tree.write(QStringLiteral("proc/self/mountinfo"), "26 1 259:2 / / rw - ext4 /dev/nvme0n1p2 rw\n");
    tree.write(QStringLiteral("dev/nvme0n1p1"), "");
    tree.write(QStringLiteral("dev/nvme0n1p2"), "");
    tree.write(QStringLiteral("dev/disk/by-label/.keep"), "");
    ASSERT_TRUE(QFile::link(QStringLiteral("../../nvme0n1p1"), tree.path(QStringLiteral("dev/disk/by-label/EFI"))));
    ASSERT_TRUE(
        QFile::link(QStringLiteral("../../nvme0n1p2"), tree.path(QStringLiteral("dev/disk/by-label/Debian\\x20Root"))));
    EXPECT_EQ(RootVolume::rootLabel(tree.path(QStringLiteral("proc")), tree.path(QStringLiteral("dev"))),
        QStringLiteral("Debian Root"));

    // No label for the root device, or no mount table: no name.
    tree.remove(QStringLiteral("dev/disk/by-label/Debian\\x20Root"));
    EXPECT_FALSE(RootVolume::rootLabel(tree.path(QStringLiteral("proc")), tree.path(QStringLiteral("dev"))));
    EXPECT_FALSE(RootVolume::rootLabel(tree.path(QStringLiteral("nothing")), tree.path(QStringLiteral("dev"))));
}

TEST(RootVolumeTest, CapacityAgreesWithTheFileSystem)
{
    const auto volume = RootVolume::query();
    ASSERT_TRUE(volume);
    struct statvfs info { };
    ASSERT_EQ(::statvfs("/", &info), 0);
    // df -B1's Size and Avail.
    EXPECT_EQ(volume->total, qint64(info.f_blocks * info.f_frsize));
    EXPECT_GT(volume->total, 0);
    EXPECT_GE(volume->available, 0);
    EXPECT_LE(volume->available, volume->total);
    EXPECT_FALSE(RootVolume::query(QStringLiteral("/nonexistent/path")));
}

TEST(RootVolumeTest, CapacityIsTheFileSystemsSizeAndTheReserveIsNotAvailable)
{
    // A disk whose file system keeps most of its free space back for the superuser (seen on a
    // virtual machine): 66 053 021 blocks, 60 343 180 free, 19 374 456 available. df, the file
    // managers and the partition table call it 270 GB, of which 79 GB can still be written.
    const VolumeInfo reserved = RootVolume::capacity(66053021, 19374456, 4096);
    EXPECT_EQ(reserved.total, qint64(66053021) * 4096);
    EXPECT_EQ(reserved.available, qint64(19374456) * 4096);
    const double usage = 1.0 - double(reserved.available) / double(reserved.total);
    EXPECT_NEAR(usage, 0.7067, 0.0005);

    // Nonsense counts never give more available than capacity, nor overflow.
    const VolumeInfo odd = RootVolume::capacity(10, 30, 4096);
    EXPECT_EQ(odd.total, 10 * 4096);
    EXPECT_EQ(odd.available, odd.total);
    const VolumeInfo huge = RootVolume::capacity(~0ull, ~0ull, 4096);
    EXPECT_EQ(huge.total, std::numeric_limits<qint64>::max());
    EXPECT_EQ(huge.available, huge.total);
}
