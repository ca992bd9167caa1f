#include "Platform/StatusBar/DBusMenu.h"

#include <QGuiApplication>
#include <QTimer>

namespace {

constexpr uint layoutRevision = 1;

QVariantMap filtered(const QVariantMap& all, const QStringList& names)
{
    if (names.isEmpty())
        return all;
    QVariantMap result;
    for (const QString& name : names)
        if (const auto found = all.constFind(name); found != all.constEnd())
            result.insert(name, *found);
    return result;
}

} // namespace

DBusMenu::DBusMenu(QList<Entry> entries, QObject* parent)
    : QObject(parent)
    , m_entries(std::move(entries))
{
    StatusNotifierTypes::registerTypes();
}

QString DBusMenu::textDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl") : QStringLiteral("ltr");
}

QVariantMap DBusMenu::properties(int id, const QStringList& names) const
{
    QVariantMap all;
    if (id == 0) {
        all.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (id > 0 && id <= m_entries.size()) {
        QString label = m_entries[id - 1].text;
        // An underscore marks the access key in a label; ours are plain text.
        label.replace(QLatin1Char('_'), QStringLiteral("__"));
        all.insert(QStringLiteral("label"), label);
        all.insert(QStringLiteral("enabled"), true);
        all.insert(QStringLiteral("visible"), true);
    }
    return filtered(all, names);
}

StatusNotifierTypes::MenuLayout DBusMenu::layout(int parentId, int depth) const
{
    StatusNotifierTypes::MenuLayout node;
    node.id = parentId;
    node.properties = properties(parentId, {});
    if (parentId == 0 && depth != 0)
        for (int id = 1; id <= int(m_entries.size()); ++id)
            node.children.append({id, properties(id, {}), {}});
    return node;
}

bool DBusMenu::trigger(int id)
{
    if (id <= 0 || id > m_entries.size())
        return false;
    // After the call that asked for it has been answered: the entry may quit the program or
    // replace this very menu.
    QTimer::singleShot(0, this, [run = m_entries[id - 1].run] {
        if (run)
            run();
    });
    return true;
}

bool DBusMenu::handleEvent(int id, const QString& eventId)
{
    if (id < 0 || id > m_entries.size())
        return false;
    if (eventId == QLatin1String("clicked"))
        trigger(id);
    return true;
}

uint DBusMenu::GetLayout(
    int parentId, int recursionDepth, const QStringList& propertyNames, StatusNotifierTypes::MenuLayout& layoutOut)
{
    layoutOut = layout(parentId, recursionDepth);
    if (!propertyNames.isEmpty()) {
        layoutOut.properties = filtered(layoutOut.properties, propertyNames);
        for (StatusNotifierTypes::MenuLayout& child : layoutOut.children)
            child.properties = filtered(child.properties, propertyNames);
    }
    return layoutRevision;
}

QList<StatusNotifierTypes::MenuProperties> DBusMenu::GetGroupProperties(
    const QList<int>& ids, const QStringList& propertyNames)
{
    QList<StatusNotifierTypes::MenuProperties> result;
    for (const int id : ids)
        if (id >= 0 && id <= m_entries.size())
            result.append({id, properties(id, propertyNames)});
    return result;
}

QDBusVariant DBusMenu::GetProperty(int id, const QString& name)
{
    return QDBusVariant(properties(id, {name}).value(name));
}

void DBusMenu::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    handleEvent(id, eventId);
}

QList<int> DBusMenu::EventGroup(const QList<StatusNotifierTypes::MenuEvent>& events)
{
    QList<int> errors;
    for (const StatusNotifierTypes::MenuEvent& event : events)
        if (!handleEvent(event.id, event.eventId))
            errors.append(event.id);
    return errors;
}

bool DBusMenu::AboutToShow(int)
{
    return false;
}

QList<int> DBusMenu::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    idErrors.clear();
    for (const int id : ids)
        if (id < 0 || id > m_entries.size())
            idErrors.append(id);
    return {};
}
