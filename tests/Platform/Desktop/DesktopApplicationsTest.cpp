#include "Platform/Desktop/DesktopApplications.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TEST(DesktopApplicationsTest, ParsesTheMainGroupOnly)
{
    const auto entry = DesktopApplications::parse("# comment\n[Desktop Entry]\nType=Application\n"
                                                  "Exec=env GTK_THEME=Adwaita \"/opt/My App/run\" %U\n"
                                                  "Icon=my-app\n[Desktop Action new]\nExec=other\nIcon=x\n");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->program, QStringLiteral("/opt/My App/run"));
    EXPECT_EQ(entry->icon, QStringLiteral("my-app"));

    EXPECT_FALSE(DesktopApplications::parse("[Desktop Entry]\nType=Link\nExec=a\nIcon=b\n"));
    EXPECT_FALSE(DesktopApplications::parse("[Desktop Entry]\nType=Application\nExec=a\nIcon=b\nHidden=true\n"));
    EXPECT_FALSE(DesktopApplications::parse("[Desktop Entry]\nType=Application\nExec=a\n"));
    EXPECT_FALSE(DesktopApplications::parse("\xff\xfe garbage = \n[[[\n"));
    const auto tryExec = DesktopApplications::parse("[Desktop Entry]\nType=Application\nTryExec=tool\nIcon=t\n");
    ASSERT_TRUE(tryExec);
    EXPECT_EQ(tryExec->program, QStringLiteral("tool"));
}

TEST(DesktopApplicationsTest, FindsTheIconByPathThenByNameAndIgnoresLaunchers)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin/editor"));
    write(program, "#!/bin/sh\n");
    const QString user = dir.filePath(QStringLiteral("home"));
    const QString system = dir.filePath(QStringLiteral("system"));
    write(user + QStringLiteral("/applications/editor.desktop"),
        "[Desktop Entry]\nType=Application\nExec=" + program.toUtf8() + " %F\nIcon=editor-user\n");
    // The same id further down the search path is shadowed.
    write(system + QStringLiteral("/applications/editor.desktop"),
        "[Desktop Entry]\nType=Application\nExec=" + program.toUtf8() + "\nIcon=editor-system\n");
    write(system + QStringLiteral("/applications/vendor/viewer.desktop"),
        "[Desktop Entry]\nType=Application\nExec=viewer --new\nIcon=/icons/viewer.png\n");
    write(system + QStringLiteral("/applications/script.desktop"),
        "[Desktop Entry]\nType=Application\nExec=python3 /opt/script.py\nIcon=script\n");

    DesktopApplications applications({user, system});
    EXPECT_EQ(applications.iconFor(program), QStringLiteral("editor-user"));
    EXPECT_EQ(applications.iconFor(QStringLiteral("/usr/lib/viewer/viewer")), QStringLiteral("/icons/viewer.png"));
    EXPECT_FALSE(applications.iconFor(QStringLiteral("/usr/bin/python3")));
    EXPECT_FALSE(applications.iconFor(QStringLiteral("/usr/bin/unknown")));
    EXPECT_FALSE(applications.iconFor(QString()));
}

} // namespace
