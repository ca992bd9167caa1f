#pragma once

#include <QDBusArgument>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// The values the status-notifier item and dbusmenu protocols send over the bus, with their
// marshalling. registerTypes() must run before any of them travels.
namespace StatusNotifierTypes {

// One picture of an icon (iiay): width, height and ARGB32 pixels in network byte order.
struct Pixmap {
    int width = 0;
    int height = 0;
    QByteArray bytes;
};
using Pixmaps = QList<Pixmap>;

// An item's tooltip (sa(iiay)ss): icon name, icon, title and the text beneath it.
struct ToolTip {
    QString iconName;
    Pixmaps icon;
    QString title;
    QString text;
};

// A node of a menu's layout ((ia{sv}av)): id, properties and the child nodes.
struct MenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<MenuLayout> children;
};

// One entry's properties ((ia{sv})).
struct MenuProperties {
    int id = 0;
    QVariantMap properties;
};
using MenuPropertiesList = QList<MenuProperties>;

// One event of a group ((isvu)).
struct MenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using MenuEvents = QList<MenuEvent>;

void registerTypes();

// A picture in the protocol's byte order; nothing for a null image.
Pixmap pixmap(const QImage& image);
// The image a pixmap describes; a null image when its bytes do not match its size.
QImage image(const Pixmap& pixmap);

} // namespace StatusNotifierTypes

Q_DECLARE_METATYPE(StatusNotifierTypes::Pixmap)
Q_DECLARE_METATYPE(StatusNotifierTypes::ToolTip)
Q_DECLARE_METATYPE(StatusNotifierTypes::MenuLayout)
Q_DECLARE_METATYPE(StatusNotifierTypes::MenuProperties)
Q_DECLARE_METATYPE(StatusNotifierTypes::MenuEvent)

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierTypes::Pixmap& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierTypes::Pixmap& value);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierTypes::ToolTip& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierTypes::ToolTip& value);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierTypes::MenuLayout& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierTypes::MenuLayout& value);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierTypes::MenuProperties& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierTypes::MenuProperties& value);
QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierTypes::MenuEvent& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierTypes::MenuEvent& value);
