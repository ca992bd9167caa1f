#include "VantorShared/Settings/SharedSettings.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SignalListener.h"
#include "tests/support/IsolatedSettings.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

using namespace SharedSettings;

namespace {

TEST(SharedSettings, FreshSuiteReadsEveryRegisteredDefaultAndWritesNothing)
{
    IsolatedSettings isolated;
    prepareAtLaunch();
    EXPECT_EQ(factoryDefaults().size(), 37);
    for (auto it = factoryDefaults().constBegin(); it != factoryDefaults().constEnd(); ++it)
        EXPECT_EQ(store().objectForKey(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(store().stringForKey(Key::menuBarOrder), QStringLiteral("storage,sensors,memory,cpu"));
    // Registration stays in memory: only the accent migration wrote to disk.
    const QStringList stored = store().persistentKeys();
    EXPECT_EQ(QSet<QString>(stored.begin(), stored.end()),
        QSet<QString>({Key::cpuAccent, Key::cpuFastCoreAccent, Key::memoryAccent, Key::storageAccent}));
    EXPECT_EQ(store().stringForKey(Key::cpuAccent), QStringLiteral("signal"));
    EXPECT_EQ(store().stringForKey(Key::cpuFastCoreAccent), QStringLiteral("indigo"));
}

TEST(SharedSettings, SuiteNameComesFromTheEnvironmentUnchanged)
{
    IsolatedSettings isolated(QStringLiteral("other.suite"));
    EXPECT_EQ(suiteName(), QStringLiteral("other.suite"));
    EXPECT_EQ(name(Signal::settings), QStringLiteral("other.suite.settings"));
    EXPECT_TRUE(store().filePath().endsWith(QStringLiteral("/other.suite.json")));

    qunsetenv("VANTOR_SETTINGS_SUITE");
    resetForTesting();
    EXPECT_EQ(suiteName(), QStringLiteral("K3ZP8T2NQX.com.quillon.vantor"));
    EXPECT_EQ(name(Signal::menuBarChanged), QStringLiteral("K3ZP8T2NQX.com.quillon.vantor.menuBarChanged"));
}

TEST(SharedSettings, AnUnusableSuiteFallsBackToTheStandardDomain)
{
    for (const QString& suite : {QString(), QStringLiteral("../escape")}) {
        IsolatedSettings isolated(suite);
        EXPECT_EQ(suiteName(), suite) << "used unchanged, even when empty";
        EXPECT_EQ(&store(), &PreferencesDomain::standard());
        store().setBool(Key::agentEnabled, false);
        EXPECT_TRUE(store().filePath().startsWith(isolated.configDirectory()));
    }
}

TEST(SignalListener, DeliversOnlyItsOwnSignalsAndCancelsEveryRegistration)
{
    IsolatedSettings isolated;
    int settingsRuns = 0, quitRuns = 0;
    {
        SignalListener listener;
        listener.listen(Signal::settings, [&] { ++settingsRuns; });
        listener.listen(Signal::settings, [&] { ++settingsRuns; });
        listener.listen(Signal::quitAgent, [&] { ++quitRuns; });
        EXPECT_EQ(listener.tokens().size(), 3);
        post(Signal::settings);
        EXPECT_EQ(settingsRuns, 2) << "listening twice gives two handler runs";
        EXPECT_EQ(quitRuns, 0);
        EXPECT_EQ(isolated.transport.posted, QStringList {QStringLiteral("test.suite.settings")});
    }
    EXPECT_EQ(isolated.transport.cancelled.size(), 3);
    EXPECT_EQ(isolated.transport.activeRegistrations(), 0);
    post(Signal::settings);
    EXPECT_EQ(settingsRuns, 2);
}

TEST(SignalListener, EveryDeliveryMakesTheStoreReadTheFileBeforeTheHandler)
{
    IsolatedSettings isolated;
    SignalListener listener;
    quint64 seen = 0;
    listener.listen(Signal::settings, [&] { seen = store().generation(); });
    const quint64 before = store().generation();
    post(Signal::settings);
    EXPECT_GT(seen, before) << "the handler must not be served what was read before the signal";
}

TEST(SharedSettings, ASuiteNameThatCannotBeAFileNameFallsBackButStillNamesItsSignals)
{
    for (const QString& suite : {QString(251, QLatin1Char('s')), QStringLiteral("tab\there")}) {
        IsolatedSettings isolated(suite);
        EXPECT_EQ(&store(), &PreferencesDomain::standard());
        EXPECT_EQ(name(Signal::settings), suite + QStringLiteral(".settings"));
    }
}

TEST(SignalListener, AFailedRegistrationStoresNoToken)
{
    IsolatedSettings isolated;
    isolated.transport.failRegistrations = true;
    SignalListener listener;
    listener.listen(Signal::settings, [] {});
    EXPECT_TRUE(listener.tokens().isEmpty());
}

TEST(SignalListener, WithoutASignalEveryStoreSignalFollowsTheFileAndCommandsDoNot)
{
    IsolatedSettings isolated;
    isolated.transport.failRegistrations = true; // as without a session bus
    store().setBool(Key::showMemoryItem, true);
    int settingsRuns = 0, menuBarRuns = 0, quitRuns = 0;
    SignalListener listener;
    listener.listen(Signal::settings, [&] { ++settingsRuns; });
    listener.listen(Signal::menuBarChanged, [&] { ++menuBarRuns; });
    listener.listen(Signal::quitAgent, [&] { ++quitRuns; });

    // Another process writes (here another object on the same file): the handlers run all the same.
    auto other = PreferencesDomain::open(suiteName(), isolated.configDirectory() + QStringLiteral("/vantor"));
    ASSERT_TRUE(other->setObject(Key::showMemoryItem, false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return settingsRuns > 0; }, 2000));
    EXPECT_EQ(menuBarRuns, settingsRuns);
    EXPECT_EQ(quitRuns, 0);
    EXPECT_FALSE(store().boolForKey(Key::showMemoryItem)) << "the handler sees the new value";

    // Our own writes are announced by whoever made them, not again by the file.
    const int before = settingsRuns;
    store().setBool(Key::showMemoryItem, true);
    QTest::qWait(200);
    EXPECT_EQ(settingsRuns, before);

    // A cancelled listener hears nothing more.
    listener.cancelAll();
    other->setBool(Key::showMemoryItem, false);
    QTest::qWait(200);
    EXPECT_EQ(settingsRuns, before);
}

// The real session bus, between this process and a second one.
class CrossProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus (run the suite under dbus-run-session)";
        // Tests run in parallel on one bus: a suite of its own keeps each test's signals apart.
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        isolated = std::make_unique<IsolatedSettings>(QStringLiteral("crossprocess.%1.%2")
                                                          .arg(QString::fromUtf8(info->name()))
                                                          .arg(QCoreApplication::applicationPid()));
        SignalTransport::setShared(nullptr); // the real bus, not the fake
    }
    void TearDown() override { isolated.reset(); }

    static QString peer() { return QStringLiteral(VANTOR_TEST_PROGRAMS "/signal_peer"); }

    // Starts a listener and waits until it is registered.
    std::unique_ptr<QProcess> startListener(const QStringList& args, const QString& suite = {})
    {
        auto process = std::make_unique<QProcess>();
        if (!suite.isEmpty()) {
            auto env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("VANTOR_SETTINGS_SUITE"), suite);
            process->setProcessEnvironment(env);
        }
        process->start(peer(), QStringList {QStringLiteral("listen")} + args);
        EXPECT_TRUE(process->waitForStarted(5000));
        EXPECT_TRUE(process->waitForReadyRead(10000));
        EXPECT_EQ(process->readLine().trimmed(), QByteArray("ready"));
        return process;
    }

    std::unique_ptr<IsolatedSettings> isolated;
};

TEST_F(CrossProcess, AReceiverReadsTheValuesWrittenBeforeThePost)
{
    registerDefaults();
    auto listener
        = startListener({QStringLiteral("settings"), Key::agentEnabled, Key::refreshInterval, Key::meterStyle});
    store().setBool(Key::agentEnabled, false);
    store().setDouble(Key::refreshInterval, 2.5);
    store().setString(Key::meterStyle, QStringLiteral("wave"));
    post(Signal::settings);
    ASSERT_TRUE(listener->waitForFinished(10000));
    EXPECT_EQ(listener->exitCode(), 0);
    EXPECT_EQ(
        listener->readAllStandardOutput(), QByteArray("agentEnabled=false\nrefreshInterval=2.5\nmeterStyle=wave\n"));
}

TEST_F(CrossProcess, ListenersOnlyWakeForTheirOwnNameAndSuite)
{
    qputenv("VANTOR_PEER_TIMEOUT_MS", "1500");
    auto otherSuite = startListener({QStringLiteral("settings")}, QStringLiteral("another.suite"));
    auto otherSignal = startListener({QStringLiteral("quitAgent")});
    post(Signal::settings);
    ASSERT_TRUE(otherSuite->waitForFinished(10000));
    ASSERT_TRUE(otherSignal->waitForFinished(10000));
    qunsetenv("VANTOR_PEER_TIMEOUT_MS");
    EXPECT_EQ(otherSuite->exitCode(), 3) << "a different suite must not hear our signal";
    EXPECT_EQ(otherSignal->exitCode(), 3) << "a listener for another signal must not wake";
}

TEST_F(CrossProcess, TwoProcessesWritingDifferentKeysAtOnceLoseNone)
{
    QProcess a, b;
    a.start(peer(), {QStringLiteral("write"), QStringLiteral("a."), QStringLiteral("200")});
    b.start(peer(), {QStringLiteral("write"), QStringLiteral("b."), QStringLiteral("200")});
    ASSERT_TRUE(a.waitForFinished(60000));
    ASSERT_TRUE(b.waitForFinished(60000));
    ASSERT_EQ(a.exitCode(), 0);
    ASSERT_EQ(b.exitCode(), 0);
    const QStringList keys = store().persistentKeys();
    EXPECT_EQ(keys.size(), 400);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(store().integerForKey(QStringLiteral("a.") + QString::number(i)), i);
        EXPECT_EQ(store().integerForKey(QStringLiteral("b.") + QString::number(i)), i);
    }
}

} // namespace
