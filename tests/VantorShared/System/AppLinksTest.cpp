#include "VantorShared/System/AppLinks.h"
#include "Platform/Bundles/Bundle.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FixtureBundle.h"
#include "tests/support/IsolatedSettings.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString agentInside(const QString& app)
{
    return app + QStringLiteral("/Contents/Library/LoginItems/VantorAgent.app");
}

// Notes how many signals had been posted when each launch came.
class OrderWorkspace final : public Workspace {
public:
    explicit OrderWorkspace(const FakeSignalTransport& transport)
        : m_transport(transport)
    {
    }
    bool launchApplication(const QString& executable, const QStringList& arguments,
        const QList<QPair<QString, QString>>& environment) override
    {
        launches.append({executable, arguments, environment});
        postedBeforeLaunch.append(m_transport.posted.size());
        return false; // the outcome must not matter
    }
    std::optional<QString> applicationPath(const QString&) override { return std::nullopt; }

    QList<FakeWorkspace::Launch> launches;
    QList<qsizetype> postedBeforeLaunch;

private:
    const FakeSignalTransport& m_transport;
};

} // namespace

TEST(AppLinks, ContainingAppFourLevelsUpElseTheInstalledOne)
{
    IsolatedSettings settings;
    QTemporaryDir dir;
    const QString app = FixtureBundle::write(dir.path() + QStringLiteral("/Vantor.app"),
        {{QStringLiteral("CFBundleIdentifier"), AppLinks::settingsAppIdentifier}});
    EXPECT_EQ(AppLinks::containingAppURL(agentInside(app)), app);
    EXPECT_EQ(AppLinks::containingAppURL(agentInside(app) + QLatin1Char('/')), app);

    // The built layout.
    EXPECT_EQ(AppLinks::containingAppURL(QStringLiteral(VANTOR_AGENT_BUNDLE)),
        QDir::cleanPath(QStringLiteral(VANTOR_APP_BUNDLE)));

    // Another program's bundle, a folder that is not an app, or no bundle at all: ask the
    // workspace.
    const QString stranger = FixtureBundle::write(
        dir.path() + QStringLiteral("/Other.app"), {{QStringLiteral("CFBundleIdentifier"), QStringLiteral("x.y")}});
    EXPECT_FALSE(AppLinks::containingAppURL(agentInside(stranger)));
    settings.workspace.installed.insert(AppLinks::settingsAppIdentifier, QStringLiteral("/opt/vantor/Vantor.app"));
    EXPECT_EQ(AppLinks::containingAppURL(agentInside(stranger)), QStringLiteral("/opt/vantor/Vantor.app"));
    EXPECT_EQ(AppLinks::containingAppURL(dir.path() + QStringLiteral("/a/b/c/d/e")),
        QStringLiteral("/opt/vantor/Vantor.app"));
    EXPECT_EQ(AppLinks::containingAppURL(QStringLiteral("/")), QStringLiteral("/opt/vantor/Vantor.app"));
}

TEST(AppLinks, OpenSettingsAppSignalsFirstThenStartsTheApp)
{
    IsolatedSettings settings(QStringLiteral("links.suite"));
    OrderWorkspace workspace(settings.transport);
    Workspace::setShared(&workspace);
    ScopedEnv testing("VANTOR_UI_TESTING", QByteArray("1"));
    ScopedEnv language("VANTOR_LANGUAGE", std::nullopt);
    {
        ScopedMainBundle main(QStringLiteral(VANTOR_AGENT_BUNDLE));
        AppLinks::openSettingsApp();
    }
    EXPECT_EQ(settings.transport.posted, QStringList {QStringLiteral("links.suite.openSettings")});
    ASSERT_EQ(workspace.launches.size(), 1);
    EXPECT_EQ(workspace.postedBeforeLaunch, QList<qsizetype> {1});
    EXPECT_EQ(workspace.launches[0].executable,
        QDir::cleanPath(QStringLiteral(VANTOR_APP_BUNDLE)) + QStringLiteral("/Contents/MacOS/Vantor"));
    EXPECT_TRUE(workspace.launches[0].arguments.isEmpty());
    EXPECT_EQ(workspace.launches[0].environment, AppLinks::testEnvironment());

    // Nowhere to start it from: only the signal.
    QTemporaryDir loose;
    ScopedMainBundle main(loose.path());
    AppLinks::openSettingsApp();
    EXPECT_EQ(settings.transport.posted.size(), 2);
    EXPECT_EQ(workspace.launches.size(), 1);
    Workspace::setShared(&settings.workspace);
}

TEST(AppLinks, TestEnvironmentPassesTheSetVariablesInOrder)
{
    ScopedEnv suite("VANTOR_SETTINGS_SUITE", QByteArray("s"));
    ScopedEnv testing("VANTOR_UI_TESTING", std::nullopt);
    ScopedEnv updater("VANTOR_DISABLE_UPDATER", QByteArray(""));
    ScopedEnv login("VANTOR_NO_LOGIN_ITEM", std::nullopt);
    ScopedEnv language("VANTOR_LANGUAGE", QByteArray("ja"));
    ScopedEnv budget("VANTOR_PANEL_BUDGET", QByteArray("400"));
    const QList<QPair<QString, QString>> expected {{QStringLiteral("VANTOR_SETTINGS_SUITE"), QStringLiteral("s")},
        {QStringLiteral("VANTOR_DISABLE_UPDATER"), QString()},
        {QStringLiteral("VANTOR_LANGUAGE"), QStringLiteral("ja")}};
    EXPECT_EQ(AppLinks::testEnvironment(), expected);
}
