#include "Platform/Signals/DBusSignalTransport.h"

#include "Platform/Logging/PlatformLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>

#include <atomic>

namespace {

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

// Qt quotes argument matches without escaping, which breaks the rule for names with an apostrophe.
bool qtCanMatch(const QString& name)
{
    return !name.contains(QLatin1Char('\''));
}

QString quoted(const QString& value)
{
    QString result = QStringLiteral("'");
    for (const QChar c : value) {
        if (c == QLatin1Char('\''))
            result += QStringLiteral("'\\''");
        else
            result += c;
    }
    return result + QLatin1Char('\'');
}

void callBus(QDBusConnection& bus, const QString& method, const QString& rule)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, method);
    call << rule;
    bus.call(call, QDBus::NoBlock);
}

} // namespace

class DBusSignalTransport::Receiver : public QObject {
    Q_OBJECT
public:
    Receiver(QString name, std::function<void()> handler)
        : name(std::move(name))
        , m_handler(std::move(handler))
    {
    }
    const QString name;

public slots:
    void posted(const QString& postedName)
    {
        // The bus filters on the name already; this guards against a bus without argument matching.
        if (postedName == name && m_handler)
            m_handler();
    }

private:
    std::function<void()> m_handler;
};

DBusSignalTransport::DBusSignalTransport() = default;

DBusSignalTransport::~DBusSignalTransport()
{
    while (!m_receivers.empty())
        cancel(m_receivers.begin()->first);
}

QString DBusSignalTransport::matchRule(const QString& name)
{
    return QStringLiteral("type='signal',path=%1,interface=%2,member=%3,arg0=%4")
        .arg(
            quoted(QLatin1String(path)), quoted(QLatin1String(interface)), quoted(QLatin1String(member)), quoted(name));
}

void DBusSignalTransport::reportMissingBus(const QString& reason)
{
    static std::atomic_bool reported {false};
    if (reported.exchange(true))
        return;
    qCWarning(lcPlatform,
        "no session bus (%s); this process cannot be told about settings changes or asked to quit, "
        "and posts nothing",
        qPrintable(reason.isEmpty() ? QStringLiteral("not connected") : reason));
}

void DBusSignalTransport::post(const QString& name)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        reportMissingBus(bus.lastError().message());
        return;
    }
    QDBusMessage message
        = QDBusMessage::createSignal(QLatin1String(path), QLatin1String(interface), QLatin1String(member));
    message << name;
    bus.send(message);
}

std::optional<int> DBusSignalTransport::subscribe(const QString& name, std::function<void()> handler)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        reportMissingBus(bus.lastError().message());
        return std::nullopt;
    }
    auto receiver = std::make_unique<Receiver>(name, std::move(handler));
    bool ok = false;
    if (qtCanMatch(name)) {
        ok = bus.connect(QString(), QLatin1String(path), QLatin1String(interface), QLatin1String(member),
            QStringList {name}, QStringLiteral("s"), receiver.get(), SLOT(posted(QString)));
    } else {
        // Our own correctly quoted rule, and Qt connected to every Posted signal; the receiver
        // compares the name itself.
        ok = bus.connect(QString(), QLatin1String(path), QLatin1String(interface), QLatin1String(member),
            receiver.get(), SLOT(posted(QString)));
        if (ok)
            callBus(bus, QStringLiteral("AddMatch"), matchRule(name));
    }
    if (!ok) {
        qCDebug(lcPlatform, "cannot listen for %s on the session bus", qPrintable(name));
        return std::nullopt;
    }
    const int token = m_nextToken++;
    m_receivers.emplace(token, std::move(receiver));
    return token;
}

void DBusSignalTransport::cancel(int token)
{
    const auto it = m_receivers.find(token);
    if (it == m_receivers.end())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        const QString& name = it->second->name;
        if (qtCanMatch(name)) {
            bus.disconnect(QString(), QLatin1String(path), QLatin1String(interface), QLatin1String(member),
                QStringList {name}, QStringLiteral("s"), it->second.get(), SLOT(posted(QString)));
        } else {
            bus.disconnect(QString(), QLatin1String(path), QLatin1String(interface), QLatin1String(member),
                it->second.get(), SLOT(posted(QString)));
            callBus(bus, QStringLiteral("RemoveMatch"), matchRule(name));
        }
    }
    m_receivers.erase(it);
}

#include "DBusSignalTransport.moc"
