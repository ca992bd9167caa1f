#include "Platform/Notifications/FreedesktopNotifier.h"

#include "Platform/Logging/PlatformLog.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

FreedesktopNotifier::FreedesktopNotifier(
    QString applicationName, QString iconName, QDBusConnection connection, QObject* parent)
    : DesktopNotifier(parent)
    , m_applicationName(std::move(applicationName))
    , m_iconName(std::move(iconName))
    , m_connection(std::move(connection))
{
}

void FreedesktopNotifier::notify(const QString& title, const QString& body)
{
    if (!m_connection.isConnected())
        return;
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Notify"));
    // The body is markup to many servers; ours is plain text with names that came from the network.
    QString plain = body.toHtmlEscaped();
    message << m_applicationName << quint32(0) << m_iconName << title << plain << QStringList() << QVariantMap()
            << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_connection.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        QDBusPendingReply<quint32> reply = *call;
        if (reply.isError() && !m_reportedFailure) {
            m_reportedFailure = true;
            qCInfo(lcPlatform, "cannot show a notification: %s", qUtf8Printable(reply.error().message()));
        }
    });
}
