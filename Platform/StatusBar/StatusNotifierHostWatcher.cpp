#include "Platform/StatusBar/StatusNotifierHostWatcher.h"

#include "Platform/Logging/PlatformLog.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QPointer>

namespace {

// A watcher that does not answer this quickly is as good as absent at start-up.
constexpr int startupTimeoutMs = 1000;

QDBusMessage hostQuestion()
{
    QDBusMessage message = QDBusMessage::createMethodCall(StatusNotifierHostWatcher::service,
        StatusNotifierHostWatcher::path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    message << StatusNotifierHostWatcher::interface << QStringLiteral("IsStatusNotifierHostRegistered");
    return message;
}

bool answerSaysPresent(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QVariant value = reply.arguments().constFirst().value<QDBusVariant>().variant();
    return value.typeId() == QMetaType::Bool && value.toBool();
}

} // namespace

StatusNotifierHostWatcher::StatusNotifierHostWatcher(QDBusConnection bus, QObject* parent)
    : TrayHostWatcher(parent)
    , m_bus(std::move(bus))
{
    if (!m_bus.isConnected())
        return;
    m_serviceWatcher = new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_serviceWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] { askAgain(); });
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.connect(service, path, interface, QString::fromLatin1(signal), this, SLOT(askAgain()));

    const QDBusMessage reply = m_bus.call(hostQuestion(), QDBus::Block, startupTimeoutMs);
    m_present = answerSaysPresent(reply);
}

StatusNotifierHostWatcher::~StatusNotifierHostWatcher()
{
    if (!m_bus.isConnected())
        return;
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.disconnect(service, path, interface, QString::fromLatin1(signal), this, SLOT(askAgain()));
}

void StatusNotifierHostWatcher::askAgain()
{
    // Only the newest question counts: answers can arrive out of order around a restart.
    const quint64 question = ++m_question;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(hostQuestion()), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, question](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (question == m_question)
            adopt(answerSaysPresent(call->reply()));
    });
}

void StatusNotifierHostWatcher::adopt(bool present)
{
    if (present == m_present)
        return;
    m_present = present;
    qCInfo(lcPlatform, "status-notifier host %s", present ? "appeared" : "went away");
    emit hostPresenceChanged(present);
}
