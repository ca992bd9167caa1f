#pragma once

#include "Platform/StatusBar/DBusMenu.h"
#include "Platform/StatusBar/StatusNotifierTypes.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// One item of a desktop tray, spoken over the status-notifier item protocol on the session bus,
// with the application-indicator extensions for a text label beside the icon.
//
// Every item has a bus connection of its own, on which it holds the name
// "org.kde.StatusNotifierItem-<pid>-<n>" and exports the item at /StatusNotifierItem and its
// menu at /MenuBar: hosts look an item up by that name and path, and see it leave when the name
// goes, which is the only way the protocol has to take an item away.
//
// The slots and signals marked scriptable are the protocol's own, under the protocol's names.
class StatusNotifierItem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ noName)
    Q_PROPERTY(QList<StatusNotifierTypes::Pixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(QList<StatusNotifierTypes::Pixmap> OverlayIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(QList<StatusNotifierTypes::Pixmap> AttentionIconPixmap READ noPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    Q_PROPERTY(StatusNotifierTypes::ToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menuPath)
    Q_PROPERTY(QString IconThemePath READ noName)
    Q_PROPERTY(QString XAyatanaLabel READ label)
    Q_PROPERTY(QString XAyatanaLabelGuide READ labelGuide)
    Q_PROPERTY(uint XAyatanaOrderingIndex READ orderingIndex)
public:
    static inline const QString itemPath = QStringLiteral("/StatusNotifierItem");
    static inline const QString menuObjectPath = QStringLiteral("/MenuBar");

    // `id` is the item's stable name for the host ("vantor-cpu").
    StatusNotifierItem(const QString& id, QList<DBusMenu::Entry> menu, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // The name the item holds on the bus; empty when it could not take one (no bus).
    QString serviceName() const { return m_serviceName; }
    DBusMenu& menu() const { return *m_menu; }

    QString category() const { return QStringLiteral("Hardware"); }
    QString id() const { return m_id; }
    QString title() const { return m_title; }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString noName() const { return {}; }
    QList<StatusNotifierTypes::Pixmap> iconPixmap() const { return m_icon; }
    QList<StatusNotifierTypes::Pixmap> noPixmaps() const { return {}; }
    StatusNotifierTypes::ToolTip toolTip() const { return m_toolTip; }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menuPath() const { return QDBusObjectPath(menuObjectPath); }
    QString label() const { return m_label; }
    QString labelGuide() const { return m_labelGuide; }
    uint orderingIndex() const { return m_orderingIndex; }

    // Each tells the host when the value really changed.
    void setTitle(const QString& title);
    void setIcon(const QList<QImage>& images);
    void setToolTip(const QString& title, const QString& text);
    void setLabel(const QString& label, const QString& guide);
    // Where hosts that sort by it put the item among others (smaller is further left).
    void setOrderingIndex(uint index) { m_orderingIndex = index; }

    // What a primary or secondary click runs, with the screen position the host gave (none when
    // it gave 0, 0). Callbacks rather than signals: every signal of this object is offered to
    // the bus.
    using Click = std::function<void(std::optional<QPoint> position)>;
    void setOnActivate(Click click) { m_onActivate = std::move(click); }
    void setOnSecondaryActivate(Click click) { m_onSecondaryActivate = std::move(click); }

    // Asks the desktop's status-notifier watcher to show the item; the answer comes as
    // registered() or registrationFailed().
    void registerWithWatcher();
    bool isRegistered() const { return m_registered; }

public slots:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString& orientation);
    Q_SCRIPTABLE void ProvideXdgActivationToken(const QString& token);

signals:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString& status);
    Q_SCRIPTABLE void XAyatanaNewLabel(const QString& label, const QString& guide);

    void registered();
    // The watcher did not take the item, with its reason.
    void registrationFailed(const QString& reason);
    // Any answer to the latest registration, taken or not.
    void registrationAnswered();

private:
    QString m_id;
    QString m_connectionName;
    QString m_serviceName;
    QDBusConnection m_bus;
    std::unique_ptr<DBusMenu> m_menu;
    QString m_title;
    QList<StatusNotifierTypes::Pixmap> m_icon;
    StatusNotifierTypes::ToolTip m_toolTip;
    QString m_label;
    QString m_labelGuide;
    uint m_orderingIndex = 0;
    Click m_onActivate;
    Click m_onSecondaryActivate;
    bool m_registered = false;
    quint64 m_registration = 0;
};
