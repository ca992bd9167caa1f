#pragma once

#include "Platform/StatusBar/StatusNotifierTypes.h"

#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// A flat menu of plain entries, exported over the dbusmenu protocol for a tray host to show as
// an item's context menu. The slots and signals marked scriptable are the protocol's own methods
// and signals, under the names the protocol gives them.
class DBusMenu : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)
public:
    struct Entry {
        QString text;
        std::function<void()> run;
    };

    explicit DBusMenu(QList<Entry> entries, QObject* parent = nullptr);

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

    // The layout below `parentId` (0: the whole menu), `depth` levels deep (-1: all).
    StatusNotifierTypes::MenuLayout layout(int parentId, int depth) const;
    // Runs an entry as a click on it would; false for an id that is no entry.
    bool trigger(int id);

public slots:
    Q_SCRIPTABLE uint GetLayout(
        int parentId, int recursionDepth, const QStringList& propertyNames, StatusNotifierTypes::MenuLayout& layout);
    Q_SCRIPTABLE QList<StatusNotifierTypes::MenuProperties> GetGroupProperties(
        const QList<int>& ids, const QStringList& propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name);
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<StatusNotifierTypes::MenuEvent>& events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);
    Q_SCRIPTABLE void ItemActivationRequested(int id, uint timestamp);

private:
    QVariantMap properties(int id, const QStringList& names) const;
    bool handleEvent(int id, const QString& eventId);

    QList<Entry> m_entries;
};
