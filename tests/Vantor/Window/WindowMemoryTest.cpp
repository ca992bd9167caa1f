#include "Vantor/Window/WindowMemory.h"
#include "Vantor/Window/WindowStateFile.h"
#include "tests/support/IsolatedSettings.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using Placement = WindowStateFile::Placement;

class WindowMemoryTest : public ::testing::Test {
protected:
    QString path() const { return dir.path() + QStringLiteral("/state/vantor/settings-window.json"); }
    void writeRaw(const QByteArray& contents) const
    {
        WindowStateFile(path()).write(QStringLiteral("seed"), {QRect(0, 0, 10, 10)});
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
    }
    static QRect available() { return QGuiApplication::primaryScreen()->availableGeometry(); }

    QTemporaryDir dir;
};

} // namespace

TEST_F(WindowMemoryTest, EachScreenConfigurationKeepsItsOwnPlacement)
{
    const WindowStateFile file(path());
    EXPECT_FALSE(file.read(QStringLiteral("laptop")));

    const Placement laptop {QRect(40, 60, 900, 700), false, true};
    const Placement docked {QRect(-1800, 10, 1200, 1000), true, false};
    ASSERT_TRUE(file.write(QStringLiteral("laptop"), laptop));
    ASSERT_TRUE(file.write(QStringLiteral("laptop; monitor"), docked));
    EXPECT_EQ(file.read(QStringLiteral("laptop")), laptop);
    EXPECT_EQ(WindowStateFile(path()).read(QStringLiteral("laptop; monitor")), docked);

    // Only the most recent arrangements stay; the oldest goes first.
    for (int i = 0; i < WindowStateFile::keptConfigurations; ++i) {
        QTest::qWait(2);
        file.write(QStringLiteral("screen %1").arg(i), laptop);
    }
    EXPECT_FALSE(file.read(QStringLiteral("laptop")));
    EXPECT_TRUE(file.read(QStringLiteral("screen 0")));
}

TEST_F(WindowMemoryTest, AFileThatMakesNoSenseIsIgnoredAndReplacedOnTheNextSave)
{
    const WindowStateFile file(path());
    for (const QByteArray& contents : {QByteArray("{not json"), QByteArray("[1, 2]"),
             QByteArray(R"({"configurations": {"a": {"x": 1, "y": 2, "width": -5, "height": 10}}})"),
             QByteArray(R"({"configurations": {"a": {"x": "1", "y": 2, "width": 5, "height": 10}}})"),
             QByteArray(R"({"configurations": {"a": {"x": 1.5, "y": 2, "width": 5, "height": 10}}})"),
             QByteArray(R"({"configurations": {"a": {"x": 1e300, "y": 2, "width": 5, "height": 10}}})"),
             QByteArray(R"({"configurations": {"a": 7}})")}) {
        writeRaw(contents);
        EXPECT_FALSE(file.read(QStringLiteral("a"))) << contents.constData();
    }
    EXPECT_TRUE(file.write(QStringLiteral("a"), {QRect(1, 2, 300, 200)}));
    EXPECT_EQ(file.read(QStringLiteral("a"))->geometry, QRect(1, 2, 300, 200));
    // A place that cannot be written (a file where the folder should be) is reported, not fatal.
    QFile blocker(dir.path() + QStringLiteral("/blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    EXPECT_FALSE(WindowStateFile(blocker.fileName() + QStringLiteral("/vantor/w.json"))
                     .write(QStringLiteral("a"), {QRect(1, 2, 3, 4)}));
}

TEST_F(WindowMemoryTest, TheStateFileFollowsTheXdgStateHome)
{
    IsolatedSettings settings;
    EXPECT_EQ(
        WindowStateFile::defaultPath(), settings.stateDirectory() + QStringLiteral("/vantor/settings-window.json"));
    // A relative base is not one, by the base directory rules.
    qputenv("XDG_STATE_HOME", "relative/state");
    EXPECT_TRUE(WindowStateFile::defaultPath().endsWith(QStringLiteral("/.local/state/vantor/settings-window.json")));
}

TEST_F(WindowMemoryTest, APlaceIsKeptOnlyWhileItsTitleBarCanBeReachedAndIsShrunkToTheScreen)
{
    const QList<QRect> screens {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    EXPECT_EQ(WindowMemory::fitted(QRect(100, 100, 800, 600), screens), QRect(100, 100, 800, 600));
    // On the second screen, larger than it: made to fit.
    EXPECT_EQ(WindowMemory::fitted(QRect(2000, 40, 1500, 1500), screens)->size(), QSize(1280 - 16, 1024 - 48));
    // A monitor that is gone, or a title bar above every screen: not kept.
    EXPECT_FALSE(WindowMemory::fitted(QRect(4000, 100, 800, 600), screens));
    EXPECT_FALSE(WindowMemory::fitted(QRect(100, -700, 800, 600), screens));
    EXPECT_FALSE(WindowMemory::fitted(QRect(), screens));

    // The preferred size where the screen allows it, centred; else as much as fits.
    EXPECT_EQ(WindowMemory::centred(QSize(900, 700), QRect(0, 0, 1920, 1080)), QRect(510, 190, 900, 700));
    const QRect small = WindowMemory::centred(QSize(900, 900), QRect(0, 0, 1280, 720));
    EXPECT_EQ(small.size(), QSize(900, 720 - 48));
    EXPECT_GE(small.top(), 24);
    EXPECT_LE(small.bottom(), 720);
}

TEST_F(WindowMemoryTest, TheWindowComesBackWhereItWasAndMinimisedOnlyWhenAsked)
{
    const WindowStateFile file(path());
    const QRect area = available();
    const QRect placed(
        area.x() + 30, area.y() + 40, std::min(500, area.width() - 60), std::min(400, area.height() - 80));
    {
        QWidget window;
        WindowMemory memory(&window, file);
        memory.restore(QSize(420, 300), false);
        // Nothing remembered yet: the preferred size, centred.
        EXPECT_EQ(window.size(), QSize(420, 300));
        EXPECT_EQ(window.geometry().center(), WindowMemory::centred(QSize(420, 300), area).center());
        window.show();
        window.setGeometry(placed);
        // Saved shortly after the user stops moving.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return file.read(WindowStateFile::currentScreenConfiguration()).has_value(); }, 2000));
        EXPECT_EQ(file.read(WindowStateFile::currentScreenConfiguration())->geometry, placed);
        window.showMinimized();
        memory.save();
        EXPECT_TRUE(file.read(WindowStateFile::currentScreenConfiguration())->minimized);
    }
    for (const bool relaunch : {false, true}) {
        QWidget window;
        WindowMemory memory(&window, file);
        memory.restore(QSize(420, 300), relaunch);
        EXPECT_EQ(window.geometry(), placed);
        EXPECT_EQ(window.isMinimized(), relaunch);
    }
    // A window never shown writes nothing over what is there.
    EXPECT_TRUE(file.read(WindowStateFile::currentScreenConfiguration())->minimized);
}
