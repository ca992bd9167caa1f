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
// Later answers may take longer; the next question waits for this one.
constexpr int questionTimeoutMs = 5000;
// A panel that restarts is back within this time.
constexpr int defaultSettleMs = 1500;

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
    m_settle.setSingleShot(true);
    m_settle.setInterval(defaultSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &StatusNotifierHostWatcher::ask);
    if (!m_bus.isConnected())
        return;
    m_serviceWatcher = new QDBusServiceWatcher(service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_serviceWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &StatusNotifierHostWatcher::noteChange);
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.connect(service, path, interface, QString::fromLatin1(signal), this, SLOT(noteChange()));

    ++m_questionsAsked;
    const QDBusMessage reply = m_bus.call(hostQuestion(), QDBus::Block, startupTimeoutMs);
    m_present = answerSaysPresent(reply);
}

StatusNotifierHostWatcher::~StatusNotifierHostWatcher()
{
    if (!m_bus.isConnected())
        return;
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.disconnect(service, path, interface, QString::fromLatin1(signal), this, SLOT(noteChange()));
}

void StatusNotifierHostWatcher::noteChange()
{
    // Nothing but a timer restart here: this runs once per signal, however many arrive.
    m_settle.start();
}

void StatusNotifierHostWatcher::ask()
{
    if (m_asking) {
        m_askAgain = true;
        return;
    }
    m_asking = true;
    m_askAgain = false;
    ++m_questionsAsked;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(hostQuestion(), questionTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        m_asking = false;
        // A change that came while we waited may have made this answer stale.
        if (m_askAgain) {
            ask();
            return;
        }
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
