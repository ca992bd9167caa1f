#pragma once

#include "Platform/StatusBar/StatusBar.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDBusServiceWatcher;
class StatusNotifierItem;
class TrayStatusItem;

// The status bar as items of the desktop's tray, each a status-notifier item of our own on the
// session bus. The tray, not we, decides where items go, so there are no positions to remember
// and no drags to report; hosts place items in the order they were first shown.
//
// When the desktop's watcher restarts it forgets every item, so each shown item registers again
// with the new one. A watcher that refuses an item is reported once per refusal.
class TrayStatusBar : public StatusBar {
    Q_OBJECT
public:
    // One entry of every item's context menu.
    struct MenuAction {
        QString text;
        std::function<void()> run;
    };

    explicit TrayStatusBar(QObject* parent = nullptr);
    ~TrayStatusBar() override;

    StatusItem* createItem(double length) override;
    void removeItem(StatusItem* item) override;

    QList<TrayStatusItem*> items() const;
    // The same without making a list, for the refresh path.
    size_t itemCount() const { return m_items.size(); }
    TrayStatusItem* itemAt(size_t index) const { return m_items[index].get(); }
    TrayStatusItem* trayItem(const StatusItem* item) const;

    // The context menu of items made from now on.
    void setMenuActions(QList<MenuAction> actions) { m_menuActions = std::move(actions); }
    const QList<MenuAction>& menuActions() const { return m_menuActions; }

    // Registers an item's bus object with the watcher once those asked for earlier are answered:
    // hosts place items in the order they arrive, and items on separate connections could
    // otherwise overtake one another.
    void queueRegistration(StatusNotifierItem* item);

    // What the items report of the host's calls and answers.
    void reportActivation(TrayStatusItem* item, std::optional<QPoint> screenPosition);
    void reportSecondaryActivation(TrayStatusItem* item);
    void reportRefusal(TrayStatusItem* item, const QString& reason);

signals:
    void itemActivated(TrayStatusItem* item, std::optional<QPoint> screenPosition);
    void itemSecondaryActivated(TrayStatusItem* item);
    // The watcher did not take an item.
    void registrationRefused(const QString& reason);
    // Items were created or removed; emitted once per turn of the event loop.
    void itemsChanged();

private:
    void noteItemsChanged();
    void registerNext();

    std::vector<std::unique_ptr<TrayStatusItem>> m_items;
    QList<MenuAction> m_menuActions;
    QDBusServiceWatcher* m_watcherOwner = nullptr;
    bool m_changePending = false;
    QList<QPointer<StatusNotifierItem>> m_registrations;
    QPointer<StatusNotifierItem> m_registering;
};
