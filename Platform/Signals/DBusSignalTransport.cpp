#include "Platform/Signals/DBusSignalTransport.h"

#include "Platform/Logging/PlatformLog.h"

#include <QDBusConnection>
#include <QDBusMessage>

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

void DBusSignalTransport::post(const QString& name)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage message
        = QDBusMessage::createSignal(QLatin1String(path), QLatin1String(interface), QLatin1String(member));
    message << name;
    bus.send(message);
}

std::optional<int> DBusSignalTransport::subscribe(const QString& name, std::function<void()> handler)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    auto receiver = std::make_unique<Receiver>(name, std::move(handler));
    const bool ok = bus.connect(QString(), QLatin1String(path), QLatin1String(interface), QLatin1String(member),
        QStringList {name}, QStringLiteral("s"), receiver.get(), SLOT(posted(QString)));
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
    if (bus.isConnected())
        bus.disconnect(QString(), QLatin1String(path), QLatin1String(interface), QLatin1String(member),
            QStringList {it->second->name}, QStringLiteral("s"), it->second.get(), SLOT(posted(QString)));
    m_receivers.erase(it);
}

#include "DBusSignalTransport.moc"
