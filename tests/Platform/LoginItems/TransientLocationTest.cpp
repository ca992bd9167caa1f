#include "Platform/LoginItems/TransientLocation.h"

#include <gtest/gtest.h>

TEST(TransientLocation, OnlyAReadOnlyMountUnderATemporaryFolder)
{
    const QStringList temporary {QStringLiteral("/tmp"), QStringLiteral("/var/tmp/")};
    const auto readOnly = [](const QString&) { return true; };
    const auto writable = [](const QString&) { return false; };
    const QString image = QStringLiteral("/tmp/.mount_VantorXy12/Vantor.app");
    EXPECT_TRUE(TransientLocation::isTransient(image, temporary, readOnly));
    EXPECT_TRUE(TransientLocation::isTransient(QStringLiteral("/var/tmp/x/Vantor.app"), temporary, readOnly));
    // A writable copy unpacked in /tmp stays where it is.
    EXPECT_FALSE(TransientLocation::isTransient(image, temporary, writable));
    // Read-only, but installed: /usr is mounted read-only on some systems.
    EXPECT_FALSE(TransientLocation::isTransient(QStringLiteral("/usr/lib/vantor/Vantor.app"), temporary, readOnly));
    // A folder whose name merely begins like a temporary one.
    EXPECT_FALSE(TransientLocation::isTransient(QStringLiteral("/tmpfs-apps/Vantor.app"), temporary, readOnly));
    EXPECT_FALSE(TransientLocation::isTransient(QString(), temporary, readOnly));
    // The root is never a temporary folder, even if the environment says so.
    EXPECT_FALSE(TransientLocation::isTransient(QStringLiteral("/opt/Vantor.app"), {QStringLiteral("/")}, readOnly));
    // This build tree is neither.
    EXPECT_FALSE(TransientLocation::isTransient(QStringLiteral(VANTOR_APP_BUNDLE)));
}
