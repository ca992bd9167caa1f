#include "Vantor/Startup/SettingsAppDelegate.h"
#include "Platform/Bundles/Bundle.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/Startup/SessionInstance.h"
#include "VantorShared/Language/AppLanguage.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/IsolatedSettings.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>
#include <unicode/locid.h>

namespace {

class SettingsAppDelegateTest : public ::testing::Test {
protected:
    SettingsAppDelegate::Environment environment()
    {
        SettingsAppDelegate::Environment env;
        env.pid = 700;
        env.terminate = [this] { ++terminated; };
        env.startDetached = [this](const QString& program, const QStringList& arguments) {
            started.append({program, arguments});
            return true;
        };
        env.executablePath = [] { return QStringLiteral("/opt/x/Vantor.app/Contents/MacOS/Vantor"); };
        env.isActive = [this] { return active; };
        env.window = [this]() -> QWidget* { return window; };
        env.presentWindow = [this] { ++presented; };
        env.launchAgent = [this] { ++agentLaunches; };
        return env;
    }

    int settingsPosts() const
    {
        return int(settings.transport.posted.count(SharedSettings::name(SharedSettings::Signal::settings)));
    }

    IsolatedSettings settings;
    QList<QPair<QString, QStringList>> started;
    int terminated = 0;
    int presented = 0;
    int agentLaunches = 0;
    bool active = true;
    QWidget* window = nullptr;
};

// Points the app at a bundle with English and German, with the process started in English.
class LanguageFixture {
public:
    LanguageFixture()
    {
        const QString bundle = FixtureBundle::write(m_dir.path() + QStringLiteral("/Vantor.app"),
            {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("test.app")},
                {QStringLiteral("CFBundleDevelopmentRegion"), QStringLiteral("en")}});
        for (const char* code : {"en", "de", "fr"})
            FixtureBundle::addLocalization(bundle, QLatin1String(code), "");
        Bundle::setMainBundlePathForTesting(bundle);
        SharedSettings::store().setString(SharedSettings::Key::language, QStringLiteral("en"));
        AppLanguage::adoptChoiceAtLaunch();
    }
    ~LanguageFixture()
    {
        AppLanguage::resetLaunchedCodeForTesting();
        Bundle::setMainBundlePathForTesting({});
        QLocale::setDefault(m_locale);
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(m_icu, status);
    }

private:
    QTemporaryDir m_dir;
    const QLocale m_locale;
    const icu::Locale m_icu = icu::Locale::getDefault();
};

} // namespace

TEST_F(SettingsAppDelegateTest, EveryStoreChangePostsOneSettingsSignal)
{
    SettingsAppDelegate delegate(environment());
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(settingsPosts(), 0);

    SharedSettings::store().setBool(SharedSettings::Key::showCPUItem, false);
    EXPECT_EQ(settingsPosts(), 1);
    // Any write through the store object counts, also one that no view made, and a removal.
    SharedSettings::store().setString(SharedSettings::Key::meterShape, QStringLiteral("square"));
    SharedSettings::store().removeObjectForKey(SharedSettings::Key::meterShape);
    EXPECT_EQ(settingsPosts(), 3);
    EXPECT_FALSE(delegate.isRelaunchPending());
}

TEST_F(SettingsAppDelegateTest, TheAgentStartsAtLaunchOnlyWhenEnabled)
{
    SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, false);
    SettingsAppDelegate off(environment());
    off.applicationDidFinishLaunching();
    EXPECT_EQ(agentLaunches, 0);

    SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, true);
    SettingsAppDelegate on(environment());
    on.applicationDidFinishLaunching();
    EXPECT_EQ(agentLaunches, 1);
}

TEST_F(SettingsAppDelegateTest, TheWindowIsMadeAfterLaunchOnlyWhenMissingAndOpenSettingsRaisesIt)
{
    SettingsAppDelegate delegate(environment());
    delegate.applicationDidFinishLaunching();
    EXPECT_EQ(presented, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(presented, 1);

    QWidget existing;
    window = &existing;
    SettingsAppDelegate second(environment());
    second.applicationDidFinishLaunching();
    QCoreApplication::processEvents();
    EXPECT_EQ(presented, 1);

    SharedSettings::post(SharedSettings::Signal::openSettings);
    EXPECT_TRUE(existing.isVisible());
    // Without a window the signal is answered by nothing at all.
    window = nullptr;
    SharedSettings::post(SharedSettings::Signal::openSettings);
}

TEST_F(SettingsAppDelegateTest, ALanguageChangeRelaunchesOnceAfterTheAppLosesTheFocus)
{
    LanguageFixture language;
    SettingsAppDelegate delegate(environment());
    delegate.applicationDidFinishLaunching();

    SharedSettings::store().setString(SharedSettings::Key::language, QStringLiteral("de"));
    EXPECT_TRUE(delegate.isRelaunchPending());
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(PreferencesDomain::standard().stringArrayForKey(SharedSettings::Key::appleLanguages).value(0),
        QStringLiteral("de"));

    // Another change, and even going back to the running language, leaves the one pending relaunch.
    SharedSettings::store().setString(SharedSettings::Key::language, QStringLiteral("fr"));
    SharedSettings::store().setString(SharedSettings::Key::language, QStringLiteral("en"));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(terminated, 0);

    delegate.applicationDidResignActive();
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0].first, SettingsAppDelegate::relaunchShell);
    EXPECT_EQ(terminated, 1);
}

TEST_F(SettingsAppDelegateTest, ALanguageChangeWhileInactiveRelaunchesAtOnce)
{
    LanguageFixture language;
    active = false;
    SettingsAppDelegate delegate(environment());
    delegate.applicationDidFinishLaunching();
    delegate.applicationDidResignActive();
    EXPECT_TRUE(started.isEmpty());

    SharedSettings::store().setString(SharedSettings::Key::language, QStringLiteral("de"));
    EXPECT_EQ(started.size(), 1);
    EXPECT_EQ(terminated, 1);
}

TEST_F(SettingsAppDelegateTest, TheRelaunchShellStartsAHostilePathVerbatimInTheBackground)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/odd \"name\" $(touch PWNED) `touch PWNED2` $HOME");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString executable = folder + QStringLiteral("/Vantor");
    const QString marker = dir.path() + QStringLiteral("/started");
    {
        QFile script(executable);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n").arg(marker).toUtf8());
        script.setPermissions(script.permissions() | QFile::ExeOwner);
    }
    // A copy that has already exited.
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"));
    ASSERT_TRUE(gone.waitForStarted());
    const qint32 pid = qint32(gone.processId());
    ASSERT_TRUE(gone.waitForFinished());
    const QStringList arguments = SettingsAppDelegate::relaunchArguments(pid, executable);
    EXPECT_FALSE(arguments[1].contains(QStringLiteral("odd")));

    QProcess shell;
    shell.setWorkingDirectory(dir.path());
    shell.start(SettingsAppDelegate::relaunchShell, arguments);
    ASSERT_TRUE(shell.waitForFinished(5000));
    QFile started(marker);
    ASSERT_TRUE(started.open(QIODevice::ReadOnly));
    EXPECT_EQ(started.readAll(), SettingsAppDelegate::backgroundArgument.toUtf8());
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/PWNED")));
    EXPECT_FALSE(QFile::exists(dir.path() + QStringLiteral("/PWNED2")));
}

TEST(SessionInstanceTest, OneCopyPerSuiteOwnsTheBusName)
{
    const QString name = SessionInstance::busName(QStringLiteral("K3ZP8T2NQX.com.quillon.vantor"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)+$"))
                    .match(name)
                    .hasMatch());
    EXPECT_NE(name, SessionInstance::busName(QStringLiteral("other suite/with odd chars")));
    EXPECT_EQ(name, SessionInstance::busName(QStringLiteral("K3ZP8T2NQX.com.quillon.vantor")));

    QDBusConnection second
        = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("instance-second"));
    if (!second.isConnected()) {
        QDBusConnection::disconnectFromBus(QStringLiteral("instance-second"));
        GTEST_SKIP() << "no session bus";
    }
    const QString testName
        = SessionInstance::busName(QStringLiteral("test.instance.%1").arg(QCoreApplication::applicationPid()));
    {
        // The connection closes only once no handle to it is left.
        QDBusConnection first
            = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("instance-first"));
        EXPECT_EQ(SessionInstance::claim(first, testName), SessionInstance::Claim::owned);
        EXPECT_EQ(SessionInstance::claim(second, testName), SessionInstance::Claim::heldByAnotherCopy);
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("instance-first"));
    // Once the first copy is gone the name is free again (the bus notices a closed connection a
    // moment later).
    auto claimed = SessionInstance::Claim::heldByAnotherCopy;
    for (int attempt = 0; attempt < 50 && claimed != SessionInstance::Claim::owned; ++attempt) {
        QThread::msleep(20);
        claimed = SessionInstance::claim(second, testName);
    }
    EXPECT_EQ(claimed, SessionInstance::Claim::owned);
    QDBusConnection::disconnectFromBus(QStringLiteral("instance-second"));
}
