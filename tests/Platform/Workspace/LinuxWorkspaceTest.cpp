#include "Platform/Workspace/LinuxWorkspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(LinuxWorkspace, FindsAnInstalledAppThroughItsDesktopEntry)
{
    QTemporaryDir home, system;
    const QByteArray oldHome = qgetenv("XDG_DATA_HOME"), oldDirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_DIRS", system.path().toLocal8Bit());

    writeFile(system.path() + QStringLiteral("/applications/com.quillon.vantor.desktop"),
        "[Desktop Entry]\nName=Vantor\nX-Vantor-BundleIdentifier=com.quillon.vantor\n"
        "X-Vantor-Bundle=/opt/vantor/Vantor.app\n[Desktop Action x]\nX-Vantor-Bundle=/wrong\n");
    LinuxWorkspace workspace;
    EXPECT_EQ(
        workspace.applicationPath(QStringLiteral("com.quillon.vantor")), QStringLiteral("/opt/vantor/Vantor.app"));
    EXPECT_FALSE(workspace.applicationPath(QStringLiteral("com.quillon.other")).has_value());

    // The user's own entry wins over the system's; an entry for another identifier is ignored.
    writeFile(home.path() + QStringLiteral("/applications/com.quillon.vantor.desktop"),
        "[Desktop Entry]\nX-Vantor-BundleIdentifier=com.quillon.vantor\nX-Vantor-Bundle=/home/u/Vantor.app\n");
    EXPECT_EQ(workspace.applicationPath(QStringLiteral("com.quillon.vantor")), QStringLiteral("/home/u/Vantor.app"));
    writeFile(home.path() + QStringLiteral("/applications/com.quillon.vantor.desktop"),
        "[Desktop Entry]\nX-Vantor-BundleIdentifier=com.quillon.impostor\nX-Vantor-Bundle=/evil\n");
    EXPECT_EQ(
        workspace.applicationPath(QStringLiteral("com.quillon.vantor")), QStringLiteral("/opt/vantor/Vantor.app"));

    qputenv("XDG_DATA_HOME", oldHome);
    qputenv("XDG_DATA_DIRS", oldDirs);
}

} // namespace
