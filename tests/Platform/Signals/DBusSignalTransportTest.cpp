#include "Platform/Signals/DBusSignalTransport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

TEST(DBusSignalTransport, MatchRulesQuoteApostrophesTheWayTheBusReadsThem)
{
    EXPECT_EQ(DBusSignalTransport::matchRule(QStringLiteral("it's.settings")),
        QStringLiteral("type='signal',path='/com/quillon/vantor/Notification',interface='com.quillon.vantor."
                       "Notification',member='Posted',arg0='it'\\''s.settings'"));
    // Commas and backslashes are literal inside quotes.
    EXPECT_TRUE(DBusSignalTransport::matchRule(QStringLiteral("a,b\\c")).endsWith(QStringLiteral("arg0='a,b\\c'")));
}

TEST(DBusSignalTransport, NamesWithAnApostropheOrOfAnyLengthAreDelivered)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus (run the suite under dbus-run-session)";
    const QString pid = QString::number(QCoreApplication::applicationPid());
    DBusSignalTransport transport;
    for (const QString& name : {QStringLiteral("o'brien.%1.settings").arg(pid),
             QString(300, QLatin1Char('x')) + pid + QStringLiteral(".settings")}) {
        int delivered = 0, other = 0;
        const auto token = transport.subscribe(name, [&] { ++delivered; });
        const auto otherToken = transport.subscribe(name + QStringLiteral("x"), [&] { ++other; });
        ASSERT_TRUE(token.has_value());
        transport.post(name);
        QElapsedTimer clock;
        clock.start();
        while (delivered == 0 && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(delivered, 1) << name.left(40).toStdString();
        EXPECT_EQ(other, 0);
        transport.cancel(*token);
        if (otherToken)
            transport.cancel(*otherToken);
    }
}

} // namespace
