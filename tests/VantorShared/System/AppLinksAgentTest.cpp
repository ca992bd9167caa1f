#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "VantorShared/System/AppLinks.h"
#include "tests/support/FixtureApp.h"
#include "tests/support/IsolatedSettings.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString agentPath = QStringLiteral("/opt/Vantor.app/Contents/Library/LoginItems/VantorAgent.app");

ProcessScan::Entry agent(qint32 pid, std::optional<qint64> started, const QString& bundle = agentPath)
{
    return {pid, started, bundle + QStringLiteral("/Contents/MacOS/VantorAgent")};
}

// A process list the test scripts, one answer per look (the last answer repeats).
class ScriptedProcesses {
public:
    explicit ScriptedProcesses(QList<QList<ProcessScan::Entry>> answers)
        : m_answers(std::move(answers))
    {
        AppLinks::setAgentProcessesForTesting([this] {
            ++looks;
            return m_answers.size() > 1 ? m_answers.takeFirst() : m_answers.value(0);
        });
    }
    ~ScriptedProcesses() { AppLinks::setAgentProcessesForTesting({}); }
    int looks = 0;

private:
    QList<QList<ProcessScan::Entry>> m_answers;
};

class AppLinksAgentTest : public ::testing::Test {
protected:
    AppLinksAgentTest()
        : main(QStringLiteral(VANTOR_APP_BUNDLE))
    {
        SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, true);
    }
    QString builtAgentProgram() const
    {
        return QDir::cleanPath(QStringLiteral(VANTOR_AGENT_BUNDLE)) + QStringLiteral("/Contents/MacOS/VantorAgent");
    }

    IsolatedSettings settings;
    ScopedMainBundle main;
};

} // namespace

TEST(AppLinksAgent, RunningBundleIsTheEarliestStartedCopy)
{
    QTemporaryDir dir;
    const QString first = FixtureBundle::write(dir.path() + QStringLiteral("/A/VantorAgent.app"),
        {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor.agent")}});
    const QString second = FixtureBundle::write(dir.path() + QStringLiteral("/B/VantorAgent.app"),
        {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.quillon.vantor.agent")}});

    // A copy without a start time counts as the latest, wherever it stands.
    auto bundle = AppLinks::runningAgentBundle({agent(10, std::nullopt, first), agent(20, 500, second)});
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->path(), second);
    bundle = AppLinks::runningAgentBundle({agent(10, 900, first), agent(20, 500, second)});
    EXPECT_EQ(bundle->path(), second);
    // Equal times, or no times at all: the earlier entry.
    EXPECT_EQ(AppLinks::runningAgentBundle({agent(30, 500, first), agent(20, 500, second)})->path(), first);
    EXPECT_EQ(AppLinks::runningAgentBundle({agent(30, std::nullopt, second), agent(20, std::nullopt, first)})->path(),
        second);

    EXPECT_FALSE(AppLinks::runningAgentBundle({}));
    // Outside a bundle, or a bundle that cannot be opened.
    EXPECT_FALSE(AppLinks::runningAgentBundle({{1, 5, QStringLiteral("/usr/bin/VantorAgent")}}));
    EXPECT_FALSE(AppLinks::runningAgentBundle({agent(1, 5, dir.path() + QStringLiteral("/gone/VantorAgent.app"))}));
}

TEST_F(AppLinksAgentTest, StartsTheEmbeddedAgentWithTheTestEnvironment)
{
    ScriptedProcesses none({QList<ProcessScan::Entry>()});
    EXPECT_EQ(QDir::cleanPath(AppLinks::embeddedAgentURL()), QDir::cleanPath(QStringLiteral(VANTOR_AGENT_BUNDLE)));
    for (const std::optional<QByteArray>& language : {std::optional<QByteArray>("fr"), std::optional<QByteArray>()}) {
        ScopedEnv variable("VANTOR_LANGUAGE", language);
        settings.workspace.launches.clear();
        AppLinks::launchAgentIfNeeded(6);
        ASSERT_EQ(settings.workspace.launches.size(), 1);
        const auto& launch = settings.workspace.launches[0];
        EXPECT_EQ(QDir::cleanPath(launch.executable), builtAgentProgram());
        EXPECT_TRUE(launch.arguments.isEmpty());
        EXPECT_EQ(launch.environment, AppLinks::testEnvironment());
        EXPECT_EQ(
            launch.environment.contains({QStringLiteral("VANTOR_LANGUAGE"), QStringLiteral("fr")}), bool(language));
        bool hasLanguage = false;
        for (const auto& [name, value] : launch.environment)
            hasLanguage = hasLanguage || name == QLatin1String("VANTOR_LANGUAGE");
        EXPECT_EQ(hasLanguage, bool(language));
    }
}

TEST_F(AppLinksAgentTest, NoAgentProgramInTheBundleStartsNothing)
{
    ScriptedProcesses none({QList<ProcessScan::Entry>()});
    QTemporaryDir dir;
    ScopedMainBundle incomplete(FixtureApp::write(dir.path() + QStringLiteral("/Vantor.app"), false));
    AppLinks::launchAgentIfNeeded(6);
    EXPECT_TRUE(settings.workspace.launches.isEmpty());
    EXPECT_EQ(none.looks, 1);
}

TEST_F(AppLinksAgentTest, WaitsForTheOldAgentToExitThenStartsANewOne)
{
    // The old agent is seen twice more, then it has gone.
    ScriptedProcesses processes({{agent(41, 1)}, {agent(41, 1)}, {agent(41, 1)}, {}});
    AppLinks::launchAgentIfNeeded(6);
    EXPECT_TRUE(settings.workspace.launches.isEmpty());
    EXPECT_EQ(processes.looks, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !settings.workspace.launches.isEmpty(); }, 3000));
    // Three looks at the old one, one that finds none, one for the new pid.
    EXPECT_EQ(processes.looks, 5);
    QTest::qWait(700);
    EXPECT_EQ(settings.workspace.launches.size(), 1);
}

TEST_F(AppLinksAgentTest, GivesUpAfterTheRetriesOrWhenSwitchedOff)
{
    {
        ScriptedProcesses stuck({{agent(41, 1)}});
        AppLinks::launchAgentIfNeeded(2);
        QTest::qWait(1700);
        EXPECT_EQ(stuck.looks, 3);
    }
    {
        ScriptedProcesses exiting({{agent(41, 1)}, {}});
        AppLinks::launchAgentIfNeeded(6);
        SharedSettings::store().setBool(SharedSettings::Key::agentEnabled, false);
        QTest::qWait(1200);
        EXPECT_EQ(exiting.looks, 1);
    }
    EXPECT_TRUE(settings.workspace.launches.isEmpty());
}
