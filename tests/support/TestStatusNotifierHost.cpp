#include "tests/support/TestStatusNotifierHost.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QEventLoop>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");

// "name/path" → (name, path).
std::pair<QString, QString> split(const QString& id)
{
    const qsizetype slash = id.indexOf(QLatin1Char('/'));
    return {id.left(slash), id.mid(slash)};
}

std::optional<QVariant> itemProperty(QDBusConnection bus, const QString& id, const QString& name)
{
    const auto [service, path] = split(id);
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << itemInterface << name;
    // The event loop keeps running while we wait, as in a real panel: an item may be asking this
    // very process (the watcher) something before it answers.
    QDBusPendingCallWatcher pending(bus.asyncCall(call, 5000));
    QEventLoop loop;
    QObject::connect(&pending, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!pending.isFinished())
        loop.exec();
    const QDBusMessage reply = pending.reply();
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

// a(iiay): the sizes only.
QList<QSize> pixmapSizes(const QDBusArgument& argument)
{
    QList<QSize> sizes;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray data;
        argument.beginStructure();
        argument >> width >> height >> data;
        argument.endStructure();
        if (data.size() == qsizetype(width) * height * 4)
            sizes.append(QSize(width, height));
    }
    argument.endArray();
    return sizes;
}

// (s a(iiay) s s): the title.
QString toolTipTitle(const QDBusArgument& argument)
{
    QString icon;
    QString title;
    QString text;
    argument.beginStructure();
    argument >> icon;
    pixmapSizes(argument);
    argument >> title >> text;
    argument.endStructure();
    return title;
}

} // namespace

TestStatusNotifierHost::TestStatusNotifierHost(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    m_itemOwners = new QDBusServiceWatcher(this);
    m_itemOwners->setConnection(m_bus);
    m_itemOwners->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(m_itemOwners, &QDBusServiceWatcher::serviceUnregistered, this, &TestStatusNotifierHost::serviceGone);
}

TestStatusNotifierHost::~TestStatusNotifierHost()
{
    stop();
}

bool TestStatusNotifierHost::start()
{
    if (m_running)
        return true;
    if (!m_bus.registerObject(watcherPath, this,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals | QDBusConnection::ExportAllProperties))
        return false;
    if (!m_bus.registerService(watcherService)) {
        m_bus.unregisterObject(watcherPath);
        return false;
    }
    m_running = true;
    emit StatusNotifierHostRegistered();
    return true;
}

void TestStatusNotifierHost::stop()
{
    if (!m_running)
        return;
    m_running = false;
    emit StatusNotifierHostUnregistered();
    m_bus.unregisterService(watcherService);
    m_bus.unregisterObject(watcherPath);
    m_items.clear();
    m_itemOwners->setWatchedServices({});
}

void TestStatusNotifierHost::RegisterStatusNotifierItem(const QString& service)
{
    // An item gives its bus name, or only its path on the caller's connection.
    const QString sender = calledFromDBus() ? message().service() : QString();
    const QString id
        = service.startsWith(QLatin1Char('/')) ? sender + service : service + QStringLiteral("/StatusNotifierItem");
    if (m_items.contains(id))
        return;
    m_items.append(id);
    m_itemOwners->addWatchedService(split(id).first);
    emit StatusNotifierItemRegistered(id);
}

void TestStatusNotifierHost::RegisterStatusNotifierHost(const QString&)
{
}

void TestStatusNotifierHost::serviceGone(const QString& service)
{
    for (qsizetype i = m_items.size() - 1; i >= 0; --i) {
        if (split(m_items[i]).first != service)
            continue;
        const QString id = m_items.takeAt(i);
        emit StatusNotifierItemUnregistered(id);
    }
    m_itemOwners->removeWatchedService(service);
}

std::optional<TestStatusNotifierHost::Item> TestStatusNotifierHost::read(const QString& id) const
{
    Item item;
    item.id = id;
    const std::optional<QVariant> title = itemProperty(m_bus, id, QStringLiteral("Title"));
    if (!title)
        return std::nullopt;
    item.title = title->toString();
    if (const auto toolTip = itemProperty(m_bus, id, QStringLiteral("ToolTip"));
        toolTip && toolTip->canConvert<QDBusArgument>())
        item.toolTipTitle = toolTipTitle(toolTip->value<QDBusArgument>());
    if (const auto pixmaps = itemProperty(m_bus, id, QStringLiteral("IconPixmap"));
        pixmaps && pixmaps->canConvert<QDBusArgument>())
        item.iconSizes = pixmapSizes(pixmaps->value<QDBusArgument>());
    if (const auto status = itemProperty(m_bus, id, QStringLiteral("Status")))
        item.status = status->toString();
    if (const auto menu = itemProperty(m_bus, id, QStringLiteral("Menu")))
        item.hasMenu = menu->value<QDBusObjectPath>().path() != QLatin1String("/NO_DBUSMENU");
    return item;
}

QList<TestStatusNotifierHost::Item> TestStatusNotifierHost::readAll() const
{
    QList<Item> items;
    for (const QString& id : m_items)
        if (const std::optional<Item> item = read(id))
            items.append(*item);
    return items;
}

bool TestStatusNotifierHost::activate(const QString& id, int x, int y) const
{
    const auto [service, path] = split(id);
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, itemInterface, QStringLiteral("Activate"));
    call << x << y;
    return m_bus.send(call);
}

bool TestStatusNotifierHost::waitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}
