#include "VantorAgent/Popovers/ProcessIcon.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A /proc with two processes whose exe links point at a program with a desktop entry and at one
// without, and a data directory holding that entry with an icon file.
class ProcessIconTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString root = dir.path();
        QDir().mkpath(root + QStringLiteral("/bin"));
        for (const char* name : {"editor", "daemon"}) {
            QFile program(root + QStringLiteral("/bin/") + QLatin1String(name));
            ASSERT_TRUE(program.open(QIODevice::WriteOnly));
        }
        QDir().mkpath(root + QStringLiteral("/proc/100"));
        QDir().mkpath(root + QStringLiteral("/proc/200"));
        QFile::link(root + QStringLiteral("/bin/editor"), root + QStringLiteral("/proc/100/exe"));
        QFile::link(root + QStringLiteral("/bin/daemon"), root + QStringLiteral("/proc/200/exe"));

        QDir().mkpath(root + QStringLiteral("/share/applications"));
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::red);
        ASSERT_TRUE(icon.save(root + QStringLiteral("/editor.png")));
        QFile entry(root + QStringLiteral("/share/applications/editor.desktop"));
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nExec=" + root.toUtf8() + "/bin/editor %F\nIcon=" + root.toUtf8()
            + "/editor.png\n");
        entry.close();
        ProcessIcon::setSourcesForTesting(root + QStringLiteral("/proc"), {root + QStringLiteral("/share")});
    }
    void TearDown() override
    {
        ProcessIcon::setSourcesForTesting(QStringLiteral("/proc"), {dir.path() + QStringLiteral("/none")});
    }

    QTemporaryDir dir;
};

TEST_F(ProcessIconTest, AnApplicationsProcessShowsItsIconOthersTheTerminal)
{
    EXPECT_FALSE(ProcessIcon::iconFor(100).isNull());
    EXPECT_TRUE(ProcessIcon::iconFor(200).isNull());
    // Gone, never there, or not a process id at all.
    EXPECT_TRUE(ProcessIcon::iconFor(300).isNull());
    EXPECT_TRUE(ProcessIcon::iconFor(0).isNull());
    EXPECT_TRUE(ProcessIcon::iconFor(-5).isNull());
    EXPECT_TRUE(ProcessIcon::iconFor(qint64(1) << 40).isNull());

    ProcessIcon widget(100);
    EXPECT_TRUE(widget.hasApplicationIcon());
    widget.setPid(200);
    EXPECT_FALSE(widget.hasApplicationIcon());
    EXPECT_EQ(widget.size(), QSize(14, 14));
}

TEST_F(ProcessIconTest, IconsAreKeptPerExecutable)
{
    ASSERT_FALSE(ProcessIcon::iconFor(100).isNull());
    // The entry goes away; the program's icon stays what it was for the life of the agent.
    QFile::remove(dir.path() + QStringLiteral("/share/applications/editor.desktop"));
    EXPECT_FALSE(ProcessIcon::iconFor(100).isNull());
}

} // namespace
