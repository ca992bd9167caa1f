#include "Platform/StatusBar/StatusNotifierTypes.h"

#include <QDBusMetaType>
#include <QtEndian>

namespace StatusNotifierTypes {

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<Pixmap>();
        qDBusRegisterMetaType<Pixmaps>();
        qDBusRegisterMetaType<ToolTip>();
        qDBusRegisterMetaType<MenuLayout>();
        qDBusRegisterMetaType<MenuProperties>();
        qDBusRegisterMetaType<MenuPropertiesList>();
        qDBusRegisterMetaType<MenuEvent>();
        qDBusRegisterMetaType<MenuEvents>();
        return true;
    }();
    Q_UNUSED(registered);
}

Pixmap pixmap(const QImage& image)
{
    Pixmap result;
    if (image.isNull())
        return result;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    result.width = argb.width();
    result.height = argb.height();
    result.bytes.resize(qsizetype(result.width) * result.height * 4);
    auto* out = reinterpret_cast<quint32*>(result.bytes.data());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            *out++ = qToBigEndian(line[x]);
    }
    return result;
}

QImage image(const Pixmap& pixmap)
{
    if (pixmap.width <= 0 || pixmap.height <= 0 || pixmap.width > 4096 || pixmap.height > 4096
        || pixmap.bytes.size() != qsizetype(pixmap.width) * pixmap.height * 4)
        return {};
    QImage result(pixmap.width, pixmap.height, QImage::Format_ARGB32);
    const auto* in = reinterpret_cast<const quint32*>(pixmap.bytes.constData());
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            line[x] = qFromBigEndian(*in++);
    }
    return result;
}

} // namespace StatusNotifierTypes

using namespace StatusNotifierTypes;

QDBusArgument& operator<<(QDBusArgument& argument, const Pixmap& value)
{
    argument.beginStructure();
    argument << value.width << value.height << value.bytes;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Pixmap& value)
{
    argument.beginStructure();
    argument >> value.width >> value.height >> value.bytes;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const ToolTip& value)
{
    argument.beginStructure();
    argument << value.iconName << value.icon << value.title << value.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ToolTip& value)
{
    argument.beginStructure();
    argument >> value.iconName >> value.icon >> value.title >> value.text;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MenuLayout& value)
{
    argument.beginStructure();
    argument << value.id << value.properties;
    // The children travel as variants, which is what lets the layout nest.
    argument.beginArray(QMetaType::fromType<QDBusVariant>());
    for (const MenuLayout& child : value.children)
        argument << QDBusVariant(QVariant::fromValue(child));
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuLayout& value)
{
    argument.beginStructure();
    argument >> value.id >> value.properties;
    value.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        const QVariant variant = child.variant();
        MenuLayout node;
        if (variant.canConvert<QDBusArgument>())
            variant.value<QDBusArgument>() >> node;
        else if (variant.canConvert<MenuLayout>())
            node = variant.value<MenuLayout>();
        value.children.append(node);
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MenuProperties& value)
{
    argument.beginStructure();
    argument << value.id << value.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuProperties& value)
{
    argument.beginStructure();
    argument >> value.id >> value.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MenuEvent& value)
{
    argument.beginStructure();
    argument << value.id << value.eventId << value.data << value.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuEvent& value)
{
    argument.beginStructure();
    argument >> value.id >> value.eventId >> value.data >> value.timestamp;
    argument.endStructure();
    return argument;
}
