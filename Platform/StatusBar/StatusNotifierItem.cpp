#include "Platform/StatusBar/StatusNotifierItem.h"

#include "Platform/Logging/PlatformLog.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <optional>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

// A watcher that has not answered by then is not going to show the item.
constexpr int registrationTimeoutMs = 5000;

quint64 nextItemNumber()
{
    static quint64 number = 0;
    return ++number;
}

std::optional<QPoint> clickPosition(int x, int y)
{
    // Hosts that do not know where the click was send 0, 0.
    if (x == 0 && y == 0)
        return std::nullopt;
    return QPoint(x, y);
}

} // namespace

StatusNotifierItem::StatusNotifierItem(const QString& id, QList<DBusMenu::Entry> menu, QObject* parent)
    : QObject(parent)
    , m_id(id)
    , m_bus(QStringLiteral("none"))
    , m_menu(std::make_unique<DBusMenu>(std::move(menu)))
{
    StatusNotifierTypes::registerTypes();
    const quint64 number = nextItemNumber();
    m_connectionName = QStringLiteral("vantor-status-notifier-item-%1").arg(number);
    m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!m_bus.isConnected()) {
        qCWarning(lcPlatform, "tray item %s: no session bus", qPrintable(m_id));
        return;
    }
    const auto exported = QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals
        | QDBusConnection::ExportAllProperties;
    const QString name
        = QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(QCoreApplication::applicationPid()).arg(number);
    if (!m_bus.registerObject(itemPath, this, exported) || !m_bus.registerObject(menuObjectPath, m_menu.get(), exported)
        || !m_bus.registerService(name)) {
        qCWarning(lcPlatform, "tray item %s: cannot export it on the session bus: %s", qPrintable(m_id),
            qPrintable(m_bus.lastError().message()));
        return;
    }
    m_serviceName = name;
}

StatusNotifierItem::~StatusNotifierItem()
{
    if (m_bus.isConnected()) {
        if (!m_serviceName.isEmpty())
            m_bus.unregisterService(m_serviceName);
        m_bus.unregisterObject(menuObjectPath);
        m_bus.unregisterObject(itemPath);
    }
    // Dropping the connection is what tells the host the item is gone.
    QDBusConnection::disconnectFromBus(m_connectionName);
}

void StatusNotifierItem::setTitle(const QString& title)
{
    if (title == m_title)
        return;
    m_title = title;
    emit NewTitle();
}

void StatusNotifierItem::setIcon(const QList<QImage>& images)
{
    QList<StatusNotifierTypes::Pixmap> icon;
    icon.reserve(images.size());
    for (const QImage& image : images)
        if (!image.isNull())
            icon.append(StatusNotifierTypes::pixmap(image));
    m_icon = std::move(icon);
    emit NewIcon();
}

void StatusNotifierItem::setToolTip(const QString& title, const QString& text)
{
    if (title == m_toolTip.title && text == m_toolTip.text)
        return;
    m_toolTip.title = title;
    m_toolTip.text = text;
    emit NewToolTip();
}

void StatusNotifierItem::setLabel(const QString& label, const QString& guide)
{
    if (label == m_label && guide == m_labelGuide)
        return;
    m_label = label;
    m_labelGuide = guide;
    emit XAyatanaNewLabel(m_label, m_labelGuide);
}

void StatusNotifierItem::registerWithWatcher()
{
    if (m_serviceName.isEmpty()) {
        emit registrationFailed(QStringLiteral("the item could not be put on the session bus"));
        emit registrationAnswered();
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        watcherService, watcherPath, watcherService, QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    // Only the answer to the latest request counts: a watcher that restarted may answer both.
    const quint64 registration = ++m_registration;
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, registrationTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, registration](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        if (registration != m_registration)
            return;
        const QDBusMessage reply = done->reply();
        emit registrationAnswered();
        // A watcher that is gone refused nothing: whoever watches the host hears that it left.
        if (reply.type() == QDBusMessage::ErrorMessage
            && (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
                || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))) {
            m_registered = false;
            return;
        }
        if (reply.type() == QDBusMessage::ErrorMessage) {
            m_registered = false;
            emit registrationFailed(reply.errorName() + QStringLiteral(": ") + reply.errorMessage());
            return;
        }
        m_registered = true;
        emit registered();
    });
}

void StatusNotifierItem::Activate(int x, int y)
{
    if (m_onActivate)
        m_onActivate(clickPosition(x, y));
}

void StatusNotifierItem::SecondaryActivate(int x, int y)
{
    if (m_onSecondaryActivate)
        m_onSecondaryActivate(clickPosition(x, y));
}

void StatusNotifierItem::ContextMenu(int, int)
{
    // The menu is exported; hosts show it themselves.
}

void StatusNotifierItem::Scroll(int, const QString&)
{
}

void StatusNotifierItem::ProvideXdgActivationToken(const QString&)
{
    // Only a window of our own could use it, and the settings app is another program.
}
