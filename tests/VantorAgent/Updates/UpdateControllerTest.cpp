#include "VantorAgent/Updates/UpdateController.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Updates/UpdatePolicy.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeUpdateUserDriver.h"
#include "tests/support/FakeUpdater.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/IsolatedSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
namespace Key = SharedSettings::Key;

// Collects what the agent logs under its updates category.
class UpdatesLog {
public:
    UpdatesLog()
    {
        s_lines = &lines;
        m_previous = qInstallMessageHandler(&UpdatesLog::handle);
    }
    ~UpdatesLog()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    QStringList lines;

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (s_lines && context.category && QByteArray(context.category) == "com.quillon.vantor.agent.updates")
            s_lines->append(message);
    }
    static inline QStringList* s_lines = nullptr;
    QtMessageHandler m_previous = nullptr;
};

// Settings apps the test plays: the pids it lists, and which of them obey a quit request.
class FakeSettingsApps final : public SettingsAppProcesses {
public:
    QList<qint32> running() override { return alive; }
    void terminate(qint32 pid) override
    {
        asked.append(pid);
        if (!stubborn.contains(pid))
            alive.removeAll(pid);
    }
    void forceTerminate(qint32 pid) override
    {
        forced.append(pid);
        alive.removeAll(pid);
    }
    bool hasTerminated(qint32 pid) override { return !alive.contains(pid); }

    QList<qint32> alive, stubborn, asked, forced;
};

AppcastItem item(const QString& version, const QString& build)
{
    AppcastItem item;
    item.displayVersionString = version;
    item.versionString = build;
    return item;
}

class UpdateControllerTest : public ::testing::Test {
protected:
    UpdateControllerTest()
    {
        app = FixtureBundle::write(dir.filePath(QStringLiteral("Vantor.app")),
            {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor")},
                {QStringLiteral("SUPublicEDKey"), QStringLiteral("c29tZSBrZXk=")}});
        agent = FixtureBundle::write(app + QStringLiteral("/Contents/Library/LoginItems/VantorAgent.app"),
            {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor.agent")},
                {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.5")},
                {QStringLiteral("CFBundleVersion"), QStringLiteral("30")}});
        SharedSettings::registerDefaults();
    }

    UpdateController::Environment environment()
    {
        UpdateController::Environment env;
        env.agentBundlePath = agent;
        env.installationReason = [this](const QString&) { return installationReason; };
        env.makeUserDriver = [] { return std::make_unique<FakeUpdateUserDriver>(); };
        env.makeUpdater = [this](const QString& host, const QString& application, UpdateUserDriver*,
                              UpdaterDelegate* delegate) -> std::unique_ptr<Updater> {
            auto updater = std::make_unique<FakeUpdater>();
            updater->hostPath = host;
            updater->applicationPath = application;
            updater->delegate = delegate;
            updater->startError = startError;
            updater->canCheck = true;
            updater->automatic = false;
            fake = updater.get();
            return updater;
        };
        env.settingsApps = settingsApps;
        return env;
    }

    PreferencesDomain& store() { return SharedSettings::store(); }

    IsolatedSettings settings;
    QTemporaryDir dir;
    QString app, agent;
    UpdatesLog log;
    FakeUpdater* fake = nullptr;
    std::optional<UpdateError> startError;
    std::optional<QString> installationReason;
    std::shared_ptr<FakeSettingsApps> settingsApps = std::make_shared<FakeSettingsApps>();
};

} // namespace

TEST(UpdatePolicy, DisabledByEnvironmentOrMissingKey)
{
    const auto with = [](std::initializer_list<std::pair<const char*, const char*>> variables) {
        QProcessEnvironment environment;
        for (const auto& [name, value] : variables)
            environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
        return environment;
    };
    const QString key = QStringLiteral("key");
    EXPECT_FALSE(UpdatePolicy::isDisabled(with({}), key));
    EXPECT_TRUE(UpdatePolicy::isDisabled(with({}), QString()));
    EXPECT_TRUE(UpdatePolicy::isDisabled(with({{"VANTOR_DISABLE_UPDATER", "1"}}), key));
    EXPECT_TRUE(UpdatePolicy::isDisabled(with({{"VANTOR_UI_TESTING", "1"}}), key));
    // Exactly "1" counts; the test-host marker counts whatever its value.
    EXPECT_FALSE(
        UpdatePolicy::isDisabled(with({{"VANTOR_DISABLE_UPDATER", "true"}, {"VANTOR_UI_TESTING", "01"}}), key));
    EXPECT_TRUE(UpdatePolicy::isDisabled(with({{"XCTestConfigurationFilePath", ""}}), key));
}

TEST(UpdateControllerPaths, TheHostIsFourLevelsUpWhenItIsAnApp)
{
    EXPECT_EQ(UpdateController::hostBundleURL(
                  QStringLiteral("/opt/x/Vantor.app/Contents/Library/LoginItems/VantorAgent.app")),
        QStringLiteral("/opt/x/Vantor.app"));
    EXPECT_EQ(UpdateController::hostBundleURL(
                  QStringLiteral("/opt/x/Vantor.app/Contents/Library/LoginItems/VantorAgent.app/")),
        QStringLiteral("/opt/x/Vantor.app"));
    EXPECT_FALSE(UpdateController::hostBundleURL(QStringLiteral("/home/dev/build/VantorAgent/bin")));
    EXPECT_FALSE(UpdateController::hostBundleURL(QStringLiteral("/a")));
}

TEST_F(UpdateControllerTest, AnAgentOutsideTheAppTouchesNothing)
{
    store().setBool(Key::updaterCanCheck, true);
    auto env = environment();
    env.agentBundlePath = dir.filePath(QStringLiteral("build/VantorAgent"));
    UpdateController controller(env);
    controller.start();
    EXPECT_EQ(log.lines, QStringList {QStringLiteral("updates off: this agent is not embedded in Vantor.app")});
    EXPECT_EQ(fake, nullptr);
    EXPECT_TRUE(store().boolForKey(Key::updaterCanCheck));
    EXPECT_TRUE(controller.signalListener().tokens().isEmpty());
}

TEST_F(UpdateControllerTest, DisabledRunsAndManagedInstallationsCannotCheck)
{
    for (const bool packaged : {false, true}) {
        store().setBool(Key::updaterCanCheck, true);
        log.lines.clear();
        auto env = environment();
        if (packaged)
            installationReason = QStringLiteral("it came from a package");
        else
            env.processEnvironment.insert(QStringLiteral("VANTOR_DISABLE_UPDATER"), QStringLiteral("1"));
        UpdateController controller(env);
        controller.start();
        EXPECT_FALSE(store().boolForKey(Key::updaterCanCheck)) << packaged;
        EXPECT_EQ(fake, nullptr);
        EXPECT_EQ(log.lines,
            QStringList {packaged ? QStringLiteral("updates off: it came from a package")
                                  : QStringLiteral("updates off: no SUPublicEDKey, or disabled for this run")});
    }
}

TEST_F(UpdateControllerTest, AnUpdaterThatFailsToStartIsDropped)
{
    startError = UpdateError {UpdateError::Kind::configuration, QStringLiteral("the app names no update feed")};
    UpdateController controller(environment());
    controller.start();
    EXPECT_EQ(controller.updater(), nullptr);
    EXPECT_EQ(log.lines, QStringList {QStringLiteral("the updater did not start: the app names no update feed")});
    SharedSettings::post(SharedSettings::Signal::checkForUpdates);
}

TEST_F(UpdateControllerTest, StartsForTheHostMirrorsCanCheckAndChecksOnRequest)
{
    UpdateController controller(environment());
    controller.start();
    ASSERT_NE(fake, nullptr);
    EXPECT_EQ(fake->hostPath, app);
    EXPECT_EQ(fake->applicationPath, agent);
    EXPECT_EQ(fake->starts, 1);
    EXPECT_TRUE(store().boolForKey(Key::updaterCanCheck));

    SharedSettings::post(SharedSettings::Signal::checkForUpdates);
    EXPECT_EQ(fake->checks, 1);
    // While a check runs the framework cannot start another; the request is ignored.
    fake->setCanCheck(false);
    EXPECT_FALSE(store().boolForKey(Key::updaterCanCheck));
    SharedSettings::post(SharedSettings::Signal::checkForUpdates);
    EXPECT_EQ(fake->checks, 1);
    fake->setCanCheck(true);
    EXPECT_TRUE(store().boolForKey(Key::updaterCanCheck));
}

TEST_F(UpdateControllerTest, AutomaticCheckingFollowsTheStoreOnTheNextSettingsSignal)
{
    store().setBool(Key::updatesCheckAutomatically, true);
    UpdateController controller(environment());
    controller.start();
    EXPECT_TRUE(fake->automatic);
    EXPECT_EQ(fake->automaticChanges, 1);

    store().setBool(Key::updatesCheckAutomatically, false);
    EXPECT_TRUE(fake->automatic);
    SharedSettings::post(SharedSettings::Signal::settings);
    EXPECT_FALSE(fake->automatic);
    // An unchanged setting is not set again.
    SharedSettings::post(SharedSettings::Signal::settings);
    EXPECT_EQ(fake->automaticChanges, 2);
}

TEST_F(UpdateControllerTest, OffersArePublishedRetiredAndKept)
{
    const QString posted = SharedSettings::name(SharedSettings::Signal::updateAvailable);
    // The agent already has build 30: an offer of 30 is spent at start, one of 31 is not.
    store().setString(Key::updatesAvailable, QStringLiteral("1.5 (30)"));
    {
        UpdateController controller(environment());
        controller.start();
        EXPECT_FALSE(store().stringForKey(Key::updatesAvailable));
        EXPECT_EQ(settings.transport.posted.count(posted), 1);
    }
    store().setString(Key::updatesAvailable, QStringLiteral("1.6 (31)"));
    UpdateController controller(environment());
    controller.start();
    EXPECT_EQ(store().stringForKey(Key::updatesAvailable), QStringLiteral("1.6 (31)"));
    EXPECT_EQ(settings.transport.posted.count(posted), 1);

    UpdaterDelegate& delegate = controller.delegate();
    delegate.didFindValidUpdate(item(QStringLiteral("1.7"), QStringLiteral("32")));
    EXPECT_EQ(store().stringForKey(Key::updatesAvailable), QStringLiteral("1.7 (32)"));
    EXPECT_EQ(settings.transport.posted.count(posted), 2);
    delegate.didFindValidUpdate(item(QStringLiteral("33"), QStringLiteral("33")));
    EXPECT_EQ(store().stringForKey(Key::updatesAvailable), QStringLiteral("33"));

    // An aborted cycle, a postponed or accepted offer keep it; skipping or no update remove it.
    delegate.didAbortWithError({UpdateError::Kind::download, QStringLiteral("the network is down")});
    delegate.userDidMakeChoice(UpdateChoice::dismiss, item(QStringLiteral("33"), QStringLiteral("33")));
    delegate.userDidMakeChoice(UpdateChoice::install, item(QStringLiteral("33"), QStringLiteral("33")));
    EXPECT_EQ(store().stringForKey(Key::updatesAvailable), QStringLiteral("33"));
    delegate.userDidMakeChoice(UpdateChoice::skip, item(QStringLiteral("33"), QStringLiteral("33")));
    EXPECT_FALSE(store().stringForKey(Key::updatesAvailable));
    delegate.didFindValidUpdate(item(QStringLiteral("1.7"), QStringLiteral("32")));
    delegate.didNotFindUpdate({UpdateError::Kind::noUpdate, QStringLiteral("1.5 is the newest version available")});
    EXPECT_FALSE(store().stringForKey(Key::updatesAvailable));

    EXPECT_TRUE(log.lines.contains(QStringLiteral("update available: 1.7")));
    EXPECT_TRUE(log.lines.contains(QStringLiteral("update aborted: the network is down")));
    EXPECT_TRUE(log.lines.contains(QStringLiteral("no update: 1.5 is the newest version available")));
}

TEST_F(UpdateControllerTest, BusyFromDownloadToTheEndOfTheCycle)
{
    UpdateController controller(environment());
    controller.start();
    UpdaterDelegate& delegate = controller.delegate();
    EXPECT_FALSE(controller.isBusy());
    delegate.willDownloadUpdate(item(QStringLiteral("1.6"), QStringLiteral("31")));
    EXPECT_TRUE(controller.isBusy());
    delegate.didFinishUpdateCycle(UpdateError {UpdateError::Kind::signature, QString()});
    EXPECT_FALSE(controller.isBusy());
    EXPECT_TRUE(delegate.shouldRelaunchApplication());
}

TEST_F(UpdateControllerTest, SettingsAppsAreAskedToQuitThenForcedAfterTheTimeout)
{
    settingsApps->alive = {101, 102};
    settingsApps->stubborn = {102};
    auto env = environment();
    env.quitTimeout = 300ms;
    env.quitPollInterval = 20ms;
    UpdateController controller(env);
    controller.start();

    QElapsedTimer timer;
    timer.start();
    controller.delegate().willInstallUpdate(item(QStringLiteral("1.6"), QStringLiteral("31")));
    EXPECT_GE(timer.elapsed(), 300);
    EXPECT_EQ(settingsApps->asked, QList<qint32>({101, 102}));
    EXPECT_EQ(settingsApps->forced, QList<qint32> {102});

    // Apps that quit when asked are not waited for.
    settingsApps->alive = {103};
    settingsApps->stubborn.clear();
    settingsApps->forced.clear();
    timer.restart();
    controller.delegate().willInstallUpdate(item(QStringLiteral("1.6"), QStringLiteral("31")));
    EXPECT_LT(timer.elapsed(), 200);
    EXPECT_TRUE(settingsApps->forced.isEmpty());
}

TEST(SettingsAppProcesses, ARealSettingsAppThatIgnoresTheQuitRequestIsForcedAfterFourSeconds)
{
    IsolatedSettings settings;
    QTemporaryDir dir;
    const QString app = FixtureBundle::write(dir.filePath(QStringLiteral("Vantor.app")),
        {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor")},
            {QStringLiteral("SUPublicEDKey"), QStringLiteral("c29tZSBrZXk=")}});
    const QString agent = FixtureBundle::write(app + QStringLiteral("/Contents/Library/LoginItems/VantorAgent.app"),
        {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor.agent")}});
    const QString other = FixtureBundle::write(dir.filePath(QStringLiteral("Other.app")),
        {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.other")}});
    // A real program copied into each bundle, so the system lists it under the bundle's path.
    for (const QString& bundle : {app, other}) {
        const QString executable = bundle + QStringLiteral("/Contents/MacOS/Vantor");
        QDir().mkpath(QFileInfo(executable).path());
        ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), executable));
    }
    // The settings app ignores the quit request (an ignored signal survives exec); the other app
    // merely has the same program name.
    QProcess settingsApp, impostor;
    settingsApp.start(QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("trap '' TERM; exec \"$0\" 30"),
            app + QStringLiteral("/Contents/MacOS/Vantor")});
    impostor.start(other + QStringLiteral("/Contents/MacOS/Vantor"), {QStringLiteral("30")});
    ASSERT_TRUE(settingsApp.waitForStarted());
    ASSERT_TRUE(impostor.waitForStarted());
    auto apps = std::make_shared<SystemSettingsAppProcesses>(dir.path());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return apps->running() == QList<qint32> {qint32(settingsApp.processId())}; }, 3000));

    UpdateController::Environment env;
    env.agentBundlePath = agent;
    env.installationReason = [](const QString&) { return std::nullopt; };
    env.makeUserDriver = [] { return std::make_unique<FakeUpdateUserDriver>(); };
    env.makeUpdater = [](const QString&, const QString&, UpdateUserDriver*,
                          UpdaterDelegate*) -> std::unique_ptr<Updater> { return std::make_unique<FakeUpdater>(); };
    env.settingsApps = apps;
    UpdateController controller(env);
    controller.start();

    QElapsedTimer timer;
    timer.start();
    controller.delegate().willInstallUpdate(item(QStringLiteral("1.6"), QStringLiteral("31")));
    EXPECT_GE(timer.elapsed(), 4000);
    EXPECT_LT(timer.elapsed(), 6000);
    ASSERT_TRUE(settingsApp.waitForFinished(3000));
    EXPECT_EQ(settingsApp.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(impostor.state(), QProcess::Running);
    impostor.kill();
    impostor.waitForFinished();
}
