#pragma once

#include "Platform/StatusBar/StatusBar.h"

#include <QList>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TrayStatusItem;

// The status bar as items of the desktop's tray, through Qt's tray icon support (which speaks the
// status-notifier protocol on the session bus). The tray, not we, decides where items go, so
// there are no positions to remember and no drags to report; hosts place items in the order they
// were first shown.
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
    TrayStatusItem* trayItem(const StatusItem* item) const;

    // The context menu of items made from now on.
    void setMenuActions(QList<MenuAction> actions) { m_menuActions = std::move(actions); }
    const QList<MenuAction>& menuActions() const { return m_menuActions; }

    // Reports a primary click on an item, at the screen position the tray gave when it gave one.
    void reportActivation(TrayStatusItem* item);

signals:
    void itemActivated(TrayStatusItem* item, std::optional<QPoint> screenPosition);
    // Items were created or removed; emitted once per turn of the event loop.
    void itemsChanged();

private:
    void noteItemsChanged();

    std::vector<std::unique_ptr<TrayStatusItem>> m_items;
    QList<MenuAction> m_menuActions;
    bool m_changePending = false;
};
