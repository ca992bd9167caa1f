#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QStringList>

#include <functional>

#include <optional>

class QDBusServiceWatcher;

// A small status-notifier watcher with a host behind it, as a desktop panel provides, on the
// session bus the tests run on. Items register with it; the test reads what a panel would show of
// each and clicks them.
class TestStatusNotifierHost : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    // What a panel reads of an item.
    struct Item {
        QString id; // bus name + object path
        QString itemId; // the item's own stable id
        QString category;
        QString title;
        QString toolTipTitle;
        QString toolTipText;
        QList<QSize> iconSizes;
        QList<QImage> icons;
        QString status;
        QString label;
        QString labelGuide;
        bool hasMenu = false;
        QString menuPath;
    };

    explicit TestStatusNotifierHost(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~TestStatusNotifierHost() override;

    // Takes the watcher's name on the bus; false when somebody else holds it.
    bool start();
    // Gives the name up, as a panel that quits.
    void stop();
    bool isRunning() const { return m_running; }

    QStringList registeredItems() const { return m_items; }
    bool isHostRegistered() const { return m_running; }
    int protocolVersion() const { return 0; }

    // Reads an item's properties as a panel would; none when it does not answer.
    std::optional<Item> read(const QString& id) const;
    // Every registered item, read.
    QList<Item> readAll() const;
    // Clicks an item at a screen position, as a panel does.
    bool activate(const QString& id, int x, int y) const;
    // A middle click or double click, which hosts send as the secondary activation.
    bool secondaryActivate(const QString& id, int x, int y) const;
    // The labels of the item's menu entries, read over the menu protocol as a panel does.
    QStringList menuLabels(const QString& id) const;
    // Clicks the menu entry with `label`; false when there is none.
    bool clickMenuEntry(const QString& id, const QString& label) const;

    // Makes the watcher refuse every item from now on, with an error reply, as a broken or
    // incompatible watcher does.
    void setRefusesItems(bool refuses) { m_refusesItems = refuses; }

    // Runs the event loop until `condition` holds or `milliseconds` passed.
    static bool waitFor(const std::function<bool()>& condition, int milliseconds = 10000);

public slots:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    void serviceGone(const QString& service);

    QDBusConnection m_bus;
    QDBusServiceWatcher* m_itemOwners = nullptr;
    QStringList m_items;
    bool m_running = false;
    bool m_refusesItems = false;
};
