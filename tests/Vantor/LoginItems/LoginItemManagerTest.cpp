#include "Vantor/LoginItems/LoginItemManager.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "Vantor/LoginItems/LaunchAtLoginSection.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeLoginItemService.h"
#include "tests/support/FixtureApp.h"
#include "tests/support/IsolatedSettings.h"

#include "Vantor/Pages/SwitchButton.h"
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A complete app bundle as the main bundle, no variable that suppresses login items, and a fresh
// process-wide status.
class LoginItemManagerTest : public ::testing::Test {
protected:
    LoginItemManagerTest()
        : app(FixtureApp::write(dir.path() + QStringLiteral("/Apps/Vantor.app"), true))
        , main(app)
    {
        LoginItemManager::resetForTesting();
    }
    ~LoginItemManagerTest() override { LoginItemManager::resetForTesting(); }

    static bool settle(const LoginItemManager& manager)
    {
        return QTest::qWaitFor([&] { return !manager.isBusy(); }, 5000);
    }

    IsolatedSettings settings;
    QTemporaryDir dir;
    QString app;
    ScopedMainBundle main;
    ScopedEnv noLoginItem {"VANTOR_NO_LOGIN_ITEM", std::nullopt};
    ScopedEnv uiTesting {"VANTOR_UI_TESTING", std::nullopt};
    ScopedEnv testHost {"XCTestConfigurationFilePath", std::nullopt};
    std::shared_ptr<FakeLoginItemService> service = std::make_shared<FakeLoginItemService>();
};

} // namespace

TEST_F(LoginItemManagerTest, EveryBlockDisablesTheSwitchAndSaysWhy)
{
    EXPECT_FALSE(LoginItemManager::block());

    struct Case {
        std::function<std::unique_ptr<ScopedMainBundle>(QTemporaryDir&)> arrange;
        std::optional<QByteArray> noLoginItem;
        LoginItemManager::Block block;
        QString message;
    };
    const QList<Case> cases {
        {[](QTemporaryDir&) { return nullptr; }, QByteArray("1"), LoginItemManager::Block::suppressed,
            QStringLiteral("Login items are disabled in this build.")},
        {[](QTemporaryDir& d) {
             return std::make_unique<ScopedMainBundle>(
                 FixtureApp::write(d.path() + QStringLiteral("/AppTranslocation/X1/d/Vantor.app"), true));
         },
            std::nullopt, LoginItemManager::Block::translocated,
            QStringLiteral("Vantor is running from a temporary location. Install it, then open it from there.")},
        {[](QTemporaryDir& d) {
             return std::make_unique<ScopedMainBundle>(
                 FixtureApp::write(d.path() + QStringLiteral("/Vantor.app"), false));
         },
            std::nullopt, LoginItemManager::Block::incomplete, QStringLiteral("This copy of Vantor is incomplete.")},
    };
    for (const Case& c : cases) {
        QTemporaryDir scratch;
        ScopedEnv variable("VANTOR_NO_LOGIN_ITEM", c.noLoginItem);
        const auto bundle = c.arrange(scratch);
        ASSERT_EQ(LoginItemManager::block(), c.block) << c.message.toStdString();

        LaunchAtLoginSection section(service);
        // A block is known at once: no placeholder, a disabled switch and the reason.
        EXPECT_FALSE(section.isPlaceholder());
        EXPECT_FALSE(section.toggle()->isHidden());
        EXPECT_FALSE(section.toggle()->isEnabled());
        EXPECT_EQ(section.messageLabel()->text(), c.message);
        EXPECT_FALSE(section.messageLabel()->isHidden());

        section.manager().setEnabled(true);
        EXPECT_FALSE(section.manager().isBusy());
        EXPECT_EQ(section.manager().status(), LoginItemStatus::notRegistered);
    }
    EXPECT_TRUE(service->changes().isEmpty());
    ScopedMainBundle complete(app);
    // Only "1" suppresses.
    ScopedEnv yes("VANTOR_NO_LOGIN_ITEM", QByteArray("yes"));
    EXPECT_FALSE(LoginItemManager::block());
}

TEST_F(LoginItemManagerTest, TurningOffAnItemThatWasNeverRegisteredSaysNothing)
{
    LoginItemManager manager(service);
    manager.setEnabled(false);
    ASSERT_TRUE(settle(manager));
    EXPECT_EQ(service->changes(), QStringList {QStringLiteral("unregister")});
    EXPECT_FALSE(manager.lastError());
    EXPECT_EQ(manager.status(), LoginItemStatus::notRegistered);
}

TEST_F(LoginItemManagerTest, AnItemTheDesktopKeepsOffShowsTheApprovalRowUntilTurnedOff)
{
    service->setSwitchedOffByUser(true);
    LaunchAtLoginSection section(service);
    EXPECT_TRUE(section.isPlaceholder());
    EXPECT_TRUE(section.toggle()->isHidden());
    section.show();
    ASSERT_TRUE(settle(section.manager()));
    EXPECT_FALSE(section.isPlaceholder());
    EXPECT_FALSE(section.toggle()->isHidden());
    EXPECT_FALSE(section.toggle()->isChecked());
    EXPECT_TRUE(section.approvalRow()->isHidden());

    section.toggle()->click();
    // Optimistic at once, then the desktop's real answer.
    ASSERT_TRUE(QTest::qWaitFor([&] { return section.manager().isBusy(); }, 1000));
    EXPECT_EQ(section.manager().status(), LoginItemStatus::enabled);
    ASSERT_TRUE(settle(section.manager()));
    EXPECT_EQ(section.manager().status(), LoginItemStatus::requiresApproval);
    EXPECT_TRUE(section.toggle()->isChecked());
    EXPECT_FALSE(section.approvalRow()->isHidden());
    EXPECT_TRUE(section.messageLabel()->isHidden());
    section.openSettingsButton()->click();
    EXPECT_EQ(service->changes().last(), QStringLiteral("openSystemSettings"));

    section.toggle()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return section.manager().isBusy(); }, 1000));
    ASSERT_TRUE(settle(section.manager()));
    EXPECT_EQ(section.manager().status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(section.toggle()->isChecked());
    EXPECT_TRUE(section.approvalRow()->isHidden());
    EXPECT_EQ(service->changes(),
        (QStringList {QStringLiteral("register"), QStringLiteral("openSystemSettings"), QStringLiteral("unregister")}));
}

TEST_F(LoginItemManagerTest, EnablingARegisteredItemRegistersItAnewAfterAPause)
{
    for (const bool switchedOff : {false, true}) {
        auto item = std::make_shared<FakeLoginItemService>();
        item->setStatus(LoginItemStatus::enabled);
        item->setSwitchedOffByUser(switchedOff);
        LoginItemManager manager(item);
        manager.refresh();
        ASSERT_TRUE(settle(manager));
        manager.setEnabled(true);
        ASSERT_TRUE(settle(manager));
        QList<FakeLoginItemService::Call> changes;
        for (const auto& call : item->calls())
            if (call.name != QLatin1String("status"))
                changes.append(call);
        ASSERT_EQ(changes.size(), 2);
        EXPECT_EQ(changes[0].name, QStringLiteral("unregister"));
        EXPECT_EQ(changes[1].name, QStringLiteral("register"));
        EXPECT_GE(changes[1].atMilliseconds - changes[0].atMilliseconds, 290);
        EXPECT_FALSE(manager.lastError());
    }
}

TEST_F(LoginItemManagerTest, FailuresBecomeOneLineMessagesAndASuccessClearsThem)
{
    LaunchAtLoginSection section(service);
    LoginItemManager& manager = section.manager();
    const QList<std::pair<LoginItemError, std::optional<QString>>> cases {
        {{LoginItemError::invalidSignature, QStringLiteral("x")},
            QStringLiteral(
                "Vantor's location cannot be written into an autostart entry. Move Vantor to a simpler path.")},
        {{LoginItemError::launchDeniedByUser, QStringLiteral("x")},
            QStringLiteral("Your desktop does not let Vantor start at login. Allow it in your startup applications.")},
        {{LoginItemError::alreadyRegistered, QStringLiteral("x")}, std::nullopt},
        {{LoginItemError::failed, QStringLiteral("No space left on device")},
            QStringLiteral("No space left on device")},
    };
    for (const auto& [error, expected] : cases) {
        service->setRegisterError(error);
        manager.setEnabled(true);
        ASSERT_TRUE(settle(manager));
        EXPECT_EQ(manager.lastError(), expected);
        EXPECT_EQ(section.messageLabel()->text(), expected.value_or(QString()));
        EXPECT_EQ(section.messageLabel()->isHidden(), !expected);
    }
    // The switch shows what is really there, not the wish.
    EXPECT_EQ(manager.status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(section.toggle()->isChecked());

    service->setRegisterError(std::nullopt);
    manager.setEnabled(true);
    EXPECT_FALSE(manager.lastError());
    ASSERT_TRUE(settle(manager));
    EXPECT_EQ(manager.status(), LoginItemStatus::enabled);
    EXPECT_TRUE(section.messageLabel()->isHidden());
}

TEST_F(LoginItemManagerTest, ANewManagerStartsFromTheLastKnownStatus)
{
    EXPECT_FALSE(LoginItemManager::lastKnownStatus());
    EXPECT_EQ(LoginItemManager(service).status(), LoginItemStatus::notRegistered);
    service->setStatus(LoginItemStatus::enabled);
    {
        LoginItemManager first(service);
        first.refresh();
        ASSERT_TRUE(settle(first));
    }
    EXPECT_EQ(LoginItemManager::lastKnownStatus(), LoginItemStatus::enabled);
    LaunchAtLoginSection rebuilt(service);
    EXPECT_EQ(rebuilt.manager().status(), LoginItemStatus::enabled);
    EXPECT_FALSE(rebuilt.isPlaceholder());
    EXPECT_TRUE(rebuilt.toggle()->isChecked());
}

TEST_F(LoginItemManagerTest, TheLegacyCleanUpRunsOncePerInstallationAndNeverWhenSuppressed)
{
    auto legacy = std::make_shared<FakeLoginItemService>();
    legacy->setStatus(LoginItemStatus::enabled);
    PreferencesDomain& store = SharedSettings::store();
    {
        ScopedEnv suppressed("VANTOR_NO_LOGIN_ITEM", QByteArray("1"));
        LoginItemManager::unregisterLegacyMainAppOnce(legacy);
        QTest::qWait(50);
        EXPECT_TRUE(legacy->changes().isEmpty());
        EXPECT_FALSE(store.boolForKey(SharedSettings::Key::didUnregisterLegacyLoginItem));
    }
    // A failed removal still counts as the one try.
    legacy->setUnregisterError(LoginItemError {LoginItemError::failed, QStringLiteral("Permission denied")});
    LoginItemManager::unregisterLegacyMainAppOnce(legacy);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return store.boolForKey(SharedSettings::Key::didUnregisterLegacyLoginItem); }, 5000));
    LoginItemManager::unregisterLegacyMainAppOnce(legacy);
    QTest::qWait(50);
    EXPECT_EQ(legacy->changes(), QStringList {QStringLiteral("unregister")});
}

TEST_F(LoginItemManagerTest, TheRealServiceWorksOnTheAgentsAutostartEntry)
{
    LaunchAtLoginSection section;
    section.show();
    ASSERT_TRUE(settle(section.manager()));
    EXPECT_EQ(section.manager().status(), LoginItemStatus::notRegistered);
    section.toggle()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return section.manager().isBusy(); }, 1000));
    ASSERT_TRUE(settle(section.manager()));
    EXPECT_EQ(section.manager().status(), LoginItemStatus::enabled);
    const QString entry = settings.configDirectory() + QStringLiteral("/autostart/com.quillon.vantor.agent.desktop");
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("Exec=\""
        + (app + QStringLiteral("/Contents/Library/LoginItems/VantorAgent.app/Contents/MacOS/VantorAgent")).toUtf8()
        + "\""));
}
