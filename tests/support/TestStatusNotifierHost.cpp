#include "tests/support/TestStatusNotifierHost.h"

#include "Platform/StatusBar/StatusNotifierTypes.h"

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

// a(iiay), as the pictures it holds.
QList<QImage> pixmaps(const QDBusArgument& argument)
{
    QList<QImage> images;
    argument.beginArray();
    while (!argument.atEnd()) {
        StatusNotifierTypes::Pixmap pixmap;
        argument >> pixmap;
        images.append(StatusNotifierTypes::image(pixmap));
    }
    argument.endArray();
    return images;
}

// (s a(iiay) s s): the title and the text.
std::pair<QString, QString> toolTipTexts(const QDBusArgument& argument)
{
    QString icon;
    QString title;
    QString text;
    argument.beginStructure();
    argument >> icon;
    pixmaps(argument);
    argument >> title >> text;
    argument.endStructure();
    return {title, text};
}

std::optional<QDBusMessage> callAndWait(QDBusConnection bus, const QDBusMessage& call)
{
    QDBusPendingCallWatcher pending(bus.asyncCall(call, 5000));
    QEventLoop loop;
    QObject::connect(&pending, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
    if (!pending.isFinished())
        loop.exec();
    const QDBusMessage reply = pending.reply();
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return reply;
}

std::optional<StatusNotifierTypes::MenuLayout> menuLayout(
    QDBusConnection bus, const QString& service, const QString& path)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("GetLayout"));
    call << 0 << -1 << QStringList();
    const std::optional<QDBusMessage> reply = callAndWait(bus, call);
    if (!reply || reply->arguments().size() < 2 || !reply->arguments()[1].canConvert<QDBusArgument>())
        return std::nullopt;
    StatusNotifierTypes::MenuLayout layout;
    reply->arguments()[1].value<QDBusArgument>() >> layout;
    return layout;
}

} // namespace

TestStatusNotifierHost::TestStatusNotifierHost(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
{
    StatusNotifierTypes::registerTypes();
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
    if (m_refusesItems && calledFromDBus()) {
        sendErrorReply(QDBusError::NotSupported, QStringLiteral("this watcher takes no items"));
        return;
    }
    // An item gives its bus name, or only its path on the caller's connection.
    const QString sender = calledFromDBus() ? message().service() : QString();
    const QString id
        = service.startsWith(QLatin1Char('/')) ? sender + service : service + QStringLiteral("/StatusNotifierItem");
    if (m_items.contains(id))
        return;
    // An item that went away before its call was handled is not shown, as panels check too.
    if (!m_bus.interface() || !m_bus.interface()->isServiceRegistered(split(id).first).value())
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
        std::tie(item.toolTipTitle, item.toolTipText) = toolTipTexts(toolTip->value<QDBusArgument>());
    if (const auto icon = itemProperty(m_bus, id, QStringLiteral("IconPixmap"));
        icon && icon->canConvert<QDBusArgument>()) {
        item.icons = pixmaps(icon->value<QDBusArgument>());
        for (const QImage& image : std::as_const(item.icons))
            if (!image.isNull())
                item.iconSizes.append(image.size());
    }
    if (const auto status = itemProperty(m_bus, id, QStringLiteral("Status")))
        item.status = status->toString();
    if (const auto itemId = itemProperty(m_bus, id, QStringLiteral("Id")))
        item.itemId = itemId->toString();
    if (const auto category = itemProperty(m_bus, id, QStringLiteral("Category")))
        item.category = category->toString();
    if (const auto label = itemProperty(m_bus, id, QStringLiteral("XAyatanaLabel")))
        item.label = label->toString();
    if (const auto guide = itemProperty(m_bus, id, QStringLiteral("XAyatanaLabelGuide")))
        item.labelGuide = guide->toString();
    if (const auto menu = itemProperty(m_bus, id, QStringLiteral("Menu"))) {
        item.menuPath = menu->value<QDBusObjectPath>().path();
        item.hasMenu = !item.menuPath.isEmpty() && item.menuPath != QLatin1String("/NO_DBUSMENU");
    }
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

bool TestStatusNotifierHost::secondaryActivate(const QString& id, int x, int y) const
{
    const auto [service, path] = split(id);
    QDBusMessage call
        = QDBusMessage::createMethodCall(service, path, itemInterface, QStringLiteral("SecondaryActivate"));
    call << x << y;
    return m_bus.send(call);
}

QStringList TestStatusNotifierHost::menuLabels(const QString& id) const
{
    const std::optional<Item> item = read(id);
    if (!item || !item->hasMenu)
        return {};
    const std::optional<StatusNotifierTypes::MenuLayout> layout = menuLayout(m_bus, split(id).first, item->menuPath);
    QStringList labels;
    if (layout)
        for (const StatusNotifierTypes::MenuLayout& child : layout->children)
            labels.append(child.properties.value(QStringLiteral("label")).toString());
    return labels;
}

bool TestStatusNotifierHost::clickMenuEntry(const QString& id, const QString& label) const
{
    const std::optional<Item> item = read(id);
    if (!item || !item->hasMenu)
        return false;
    const QString service = split(id).first;
    const std::optional<StatusNotifierTypes::MenuLayout> layout = menuLayout(m_bus, service, item->menuPath);
    if (!layout)
        return false;
    for (const StatusNotifierTypes::MenuLayout& child : layout->children) {
        if (child.properties.value(QStringLiteral("label")).toString() != label)
            continue;
        QDBusMessage call = QDBusMessage::createMethodCall(
            service, item->menuPath, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"));
        call << child.id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(QString())) << 0u;
        return callAndWait(m_bus, call).has_value();
    }
    return false;
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
