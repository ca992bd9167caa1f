#include "Platform/LoginItems/XdgAutostartService.h"
#include "tests/support/FixtureBundle.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A temporary autostart folder and a program that exists, so a registered entry reads enabled.
class XdgAutostartServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = dir.path() + QStringLiteral("/My Apps/Vantor.app/Contents/MacOS/VantorAgent");
        FixtureBundle::writeFile(program, "#!/bin/sh\n");
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner);
    }
    XdgAutostartService service(const QString& programPath = {})
    {
        return XdgAutostartService(QStringLiteral("com.quillon.vantor.agent"),
            programPath.isEmpty() ? program : programPath, QStringLiteral("Vantor"), autostart(), launcher());
    }
    QString autostart() const { return dir.path() + QStringLiteral("/config/autostart"); }
    QString entry() const { return autostart() + QStringLiteral("/com.quillon.vantor.agent.desktop"); }
    QByteArray entryText() const
    {
        QFile file(entry());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    XdgAutostartService::Launcher launcher()
    {
        return [this](const QString& program, const QStringList& arguments) {
            launched.append({program, arguments});
            return launchSucceeds;
        };
    }

    QTemporaryDir dir;
    QString program;
    QList<XdgAutostartService::Command> launched;
    bool launchSucceeds = true;
};

} // namespace

TEST_F(XdgAutostartServiceTest, RegisteringWritesAnEnabledEntryAndUnregisteringRemovesIt)
{
    auto item = service();
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(item.registerItem());
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    const QByteArray text = entryText();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nExec=\"" + program.toUtf8() + "\"\n"));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(autostart()).entryList(QDir::Files | QDir::Hidden), QStringList {QFileInfo(entry()).fileName()});

    // The same enabled entry again is the "already there" outcome and writes nothing.
    const auto again = item.registerItem();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->code, LoginItemError::alreadyRegistered);

    EXPECT_FALSE(item.unregisterItem());
    EXPECT_FALSE(QFile::exists(entry()));
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);
    const auto nothing = item.unregisterItem();
    ASSERT_TRUE(nothing);
    EXPECT_EQ(nothing->code, LoginItemError::jobNotFound);
}

TEST_F(XdgAutostartServiceTest, TheDesktopsOffSwitchesReadAsRequiringApprovalAndRegisteringTurnsThemOn)
{
    auto item = service();
    for (const QByteArray& off : {QByteArray("Hidden=true"), QByteArray("X-GNOME-Autostart-enabled=false"),
             QByteArray("X-MATE-Autostart-enabled=false")}) {
        FixtureBundle::writeFile(
            entry(), "[Desktop Entry]\nType=Application\nExec=\"" + program.toUtf8() + "\"\n" + off + "\n");
        EXPECT_EQ(item.status(), LoginItemStatus::requiresApproval) << off.constData();
        EXPECT_FALSE(item.registerItem()) << off.constData();
        EXPECT_EQ(item.status(), LoginItemStatus::enabled) << off.constData();
    }
    // Keys of another group do not count.
    FixtureBundle::writeFile(
        entry(), "[Desktop Entry]\nExec=\"" + program.toUtf8() + "\"\n[Desktop Action x]\nHidden=true\n");
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
}

TEST_F(XdgAutostartServiceTest, AnEntryThatStartsNothingIsNotFoundAndIsReplacedOnRegistering)
{
    auto item = service();
    FixtureBundle::writeFile(entry(), "[Desktop Entry]\nExec=\"/nonexistent/Old.app/Contents/MacOS/VantorAgent\"\n");
    EXPECT_EQ(item.status(), LoginItemStatus::notFound);
    for (const QByteArray& garbage : {QByteArray("\x00\xff\xfe garbage", 12),
             QByteArray("[Desktop Entry]\nExec=\"unclosed\n"), QByteArray("[Desktop Entry]\n"), QByteArray()}) {
        FixtureBundle::writeFile(entry(), garbage);
        EXPECT_EQ(item.status(), LoginItemStatus::notFound);
    }
    EXPECT_FALSE(item.registerItem());
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);

    // An enabled entry for another copy of the program is rewritten for this one.
    const QString other = dir.path() + QStringLiteral("/other/VantorAgent");
    FixtureBundle::writeFile(other, "#!/bin/sh\n");
    QFile::setPermissions(other, QFile::permissions(other) | QFile::ExeOwner);
    FixtureBundle::writeFile(entry(), "[Desktop Entry]\nExec=\"" + other.toUtf8() + "\"\n");
    EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    EXPECT_FALSE(item.registerItem());
    EXPECT_TRUE(entryText().contains(program.toUtf8()));
}

TEST_F(XdgAutostartServiceTest, ExecQuotesEveryPathSoReadersGetItBack)
{
    EXPECT_EQ(XdgAutostartService::execValue(QStringLiteral("/opt/a b/x")), QStringLiteral("\"/opt/a b/x\""));
    // ", `, $ and \ are escaped inside the quotes, then every backslash is doubled for the
    // string level; % doubles as a field code.
    EXPECT_EQ(XdgAutostartService::execValue(QStringLiteral("/o\"p`t$d\\i%r")),
        QStringLiteral("\"/o\\\\\"p\\\\`t\\\\$d\\\\\\\\i%%r\""));
    for (const QString& path : {QStringLiteral("/opt/Vantor.app/Contents/MacOS/VantorAgent"),
             QStringLiteral("/home/a b/\"quoted\"/$HOME/`id`/back\\slash/100%/%U/x"),
             QStringLiteral("/home/ünï cödé/日本/VantorAgent"), QStringLiteral("/tmp/'single'; rm -rf ~")})
        EXPECT_EQ(XdgAutostartService::programFromExec(XdgAutostartService::execValue(path)), path)
            << path.toStdString();
    EXPECT_EQ(
        XdgAutostartService::programFromExec(QStringLiteral("vantor-agent --flag %U")), QStringLiteral("vantor-agent"));
    EXPECT_TRUE(XdgAutostartService::programFromExec(QString()).isEmpty());

    // A path that an entry cannot carry is refused instead of written half-way.
    EXPECT_FALSE(XdgAutostartService::entryText(QStringLiteral("id"), QStringLiteral("/a\nExec=/bin/evil"), {}));
    EXPECT_FALSE(XdgAutostartService::entryText(QStringLiteral("id"), QStringLiteral("relative/VantorAgent"), {}));
    auto item = service(QStringLiteral("/a\nb/VantorAgent"));
    const auto refused = item.registerItem();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->code, LoginItemError::invalidSignature);
    EXPECT_FALSE(QFile::exists(entry()));
}

namespace {

mode_t modeOf(const QString& path)
{
    struct stat status { };
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

// Sets the process umask for one scope.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask)
        : m_previous(::umask(mask))
    {
    }
    ~ScopedUmask() { ::umask(m_previous); }

private:
    mode_t m_previous;
};

} // namespace

TEST_F(XdgAutostartServiceTest, FoldersAndEntryGetTheirModesWhateverTheUmask)
{
    for (const mode_t mask : {mode_t(0), mode_t(022), mode_t(077)}) {
        QDir(dir.path() + QStringLiteral("/config")).removeRecursively();
        ScopedUmask umask(mask);
        auto item = service();
        ASSERT_FALSE(item.registerItem()) << std::oct << mask;
        // Every folder we made is the user's alone; the entry is readable, as desktops expect.
        EXPECT_EQ(modeOf(dir.path() + QStringLiteral("/config")), 0700u) << std::oct << mask;
        EXPECT_EQ(modeOf(autostart()), 0700u) << std::oct << mask;
        EXPECT_EQ(modeOf(entry()), 0644u) << std::oct << mask;
        EXPECT_EQ(item.status(), LoginItemStatus::enabled);
    }

    // A folder that was there keeps its mode; a rewritten entry gets 0644 again.
    ASSERT_TRUE(QFile::setPermissions(autostart(), QFileDevice::Permissions(0x7755)));
    ASSERT_TRUE(QFile::setPermissions(entry(), QFileDevice::Permissions(0x6666)));
    ScopedUmask permissive(0);
    auto item = service();
    ASSERT_FALSE(item.unregisterItem());
    ASSERT_FALSE(item.registerItem());
    EXPECT_EQ(modeOf(autostart()), 0755u);
    EXPECT_EQ(modeOf(entry()), 0644u);
}

TEST_F(XdgAutostartServiceTest, APathWithAPercentSignIsRefusedAndReadsAsNotFound)
{
    // Launchers look for the program before expanding %%, so such an entry starts nothing.
    const QString percent = dir.path() + QStringLiteral("/100% Apps/Vantor.app/Contents/MacOS/VantorAgent");
    FixtureBundle::writeFile(percent, "#!/bin/sh\n");
    QFile::setPermissions(percent, QFile::permissions(percent) | QFile::ExeOwner);
    EXPECT_FALSE(XdgAutostartService::entryText(QStringLiteral("id"), percent, {}));
    auto item = service(percent);
    const auto refused = item.registerItem();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->code, LoginItemError::invalidSignature);
    EXPECT_FALSE(QFile::exists(entry()));

    // An entry an older version wrote for such a path does not read as on.
    FixtureBundle::writeFile(
        entry(), "[Desktop Entry]\nExec=" + XdgAutostartService::execValue(percent).toUtf8() + "\n");
    EXPECT_EQ(item.status(), LoginItemStatus::notFound);
}

TEST_F(XdgAutostartServiceTest, AFailedWriteOrRemovalGivesTheSystemsText)
{
    // The autostart folder's place is taken by a file.
    FixtureBundle::writeFile(autostart(), "not a folder");
    auto item = service();
    const auto failed = item.registerItem();
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->code, LoginItemError::failed);
    EXPECT_FALSE(failed->description.isEmpty());
    EXPECT_EQ(item.status(), LoginItemStatus::notRegistered);

    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    QFile::remove(autostart());
    EXPECT_FALSE(item.registerItem());
    QFile::setPermissions(autostart(), QFile::ReadOwner | QFile::ExeOwner);
    const auto stuck = item.unregisterItem();
    QFile::setPermissions(autostart(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(stuck);
    EXPECT_EQ(stuck->code, LoginItemError::failed);
    EXPECT_FALSE(stuck->description.isEmpty());
}

TEST_F(XdgAutostartServiceTest, StartupSettingsAreTheDesktopsOwnElseTheFolder)
{
    const auto installed = [](const QStringList& programs) {
        return [programs](const QString& name) {
            return programs.contains(name) ? QStringLiteral("/usr/bin/") + name : QString();
        };
    };
    using Command = XdgAutostartService::Command;
    EXPECT_EQ(XdgAutostartService::startupSettingsCommand(
                  QStringLiteral("ubuntu:GNOME"), installed({QStringLiteral("gnome-tweaks")})),
        (Command {QStringLiteral("/usr/bin/gnome-tweaks"), {}}));
    EXPECT_EQ(XdgAutostartService::startupSettingsCommand(QStringLiteral("KDE"),
                  installed({QStringLiteral("systemsettings5"), QStringLiteral("gnome-tweaks")})),
        (Command {QStringLiteral("/usr/bin/systemsettings5"), {QStringLiteral("kcm_autostart")}}));
    EXPECT_EQ(XdgAutostartService::startupSettingsCommand(
                  QStringLiteral("X-Cinnamon"), installed({QStringLiteral("cinnamon-settings")})),
        (Command {QStringLiteral("/usr/bin/cinnamon-settings"), {QStringLiteral("startup")}}));
    EXPECT_FALSE(XdgAutostartService::startupSettingsCommand(QStringLiteral("XFCE"), installed({})));
    EXPECT_FALSE(XdgAutostartService::startupSettingsCommand(
        QStringLiteral("sway"), installed({QStringLiteral("gnome-session-properties")})));
    EXPECT_FALSE(XdgAutostartService::startupSettingsCommand(QString(), installed({})));

    ScopedEnv desktop("XDG_CURRENT_DESKTOP", QByteArray("NoSuchDesktop"));
    auto item = service();
    item.openSystemSettings();
    ASSERT_EQ(launched.size(), 1);
    EXPECT_EQ(launched[0], (Command {QStringLiteral("xdg-open"), {autostart()}}));
    EXPECT_TRUE(QFileInfo(autostart()).isDir());
}

TEST(XdgAutostartDirectory, FollowsXdgConfigHomeWhenAbsolute)
{
    ScopedEnv config("XDG_CONFIG_HOME", QByteArray("/somewhere/config"));
    EXPECT_EQ(XdgAutostartService::userAutostartDirectory(), QStringLiteral("/somewhere/config/autostart"));
    ScopedEnv relative("XDG_CONFIG_HOME", QByteArray("relative"));
    EXPECT_EQ(XdgAutostartService::userAutostartDirectory(), QDir::homePath() + QStringLiteral("/.config/autostart"));
}
