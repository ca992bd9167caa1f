#include "VantorShared/Policies/LoginItemPolicy.h"

#include <gtest/gtest.h>

using Environment = QMap<QString, QString>;

TEST(LoginItemPolicy, OnlyExactValuesAndArgumentsSuppress)
{
    const QString noLogin = QStringLiteral("VANTOR_NO_LOGIN_ITEM"), uiTesting = QStringLiteral("VANTOR_UI_TESTING");
    EXPECT_FALSE(LoginItemPolicy::isSuppressed({}, {}));
    for (const QString& variable : {noLogin, uiTesting}) {
        EXPECT_TRUE(LoginItemPolicy::isSuppressed({{variable, QStringLiteral("1")}}, {})) << variable.toStdString();
        for (const char* value : {"true", "yes", "0", "", " 1", "1 ", "01"})
            EXPECT_FALSE(LoginItemPolicy::isSuppressed({{variable, QLatin1String(value)}}, {}))
                << variable.toStdString() << "=" << value;
    }
    // The test host marker counts by its presence alone.
    EXPECT_TRUE(LoginItemPolicy::isSuppressed({{QStringLiteral("XCTestConfigurationFilePath"), QString()}}, {}));

    const QStringList program {QStringLiteral("/opt/Vantor")};
    EXPECT_TRUE(LoginItemPolicy::isSuppressed({}, program + QStringList {QStringLiteral("-VantorNoLoginItem")}));
    for (const char* argument :
        {"-VantorNoLoginItem=1", "--VantorNoLoginItem", "-vantornologinitem", "VantorNoLoginItem"})
        EXPECT_FALSE(LoginItemPolicy::isSuppressed({}, program + QStringList {QLatin1String(argument)})) << argument;
    // Unrelated variables do nothing.
    EXPECT_FALSE(
        LoginItemPolicy::isSuppressed({{QStringLiteral("VANTOR_DISABLE_UPDATER"), QStringLiteral("1")}}, program));
}
