#include "Platform/StatusBar/TrayClickPosition.h"

#include <QDBusMessage>
#include <QElapsedTimer>
#include <QtDBus/qtdbusglobal.h>

// Exported by QtDBus for exactly this use (observing calls before they are delivered); it has no
// public header.
QT_BEGIN_NAMESPACE
extern Q_DBUS_EXPORT void qDBusAddSpyHook(void (*)(const QDBusMessage&));
QT_END_NAMESPACE

namespace TrayClickPosition {

namespace {

// A position older than this belongs to an activation that was handled already or never came.
constexpr qint64 freshForMs = 1000;

struct Latest {
    std::optional<QPoint> position;
    QElapsedTimer age;
};

Latest& latest()
{
    static Latest value;
    return value;
}

void spy(const QDBusMessage& message)
{
    if (message.type() != QDBusMessage::MethodCallMessage
        || message.interface() != QLatin1String("org.kde.StatusNotifierItem")
        || message.member() != QLatin1String("Activate"))
        return;
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 2 || arguments[0].typeId() != QMetaType::Int || arguments[1].typeId() != QMetaType::Int)
        return;
    record(arguments[0].toInt(), arguments[1].toInt());
}

} // namespace

void install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    qDBusAddSpyHook(&spy);
}

void record(int x, int y)
{
    Latest& value = latest();
    value.position = x == 0 && y == 0 ? std::nullopt : std::optional<QPoint>(QPoint(x, y));
    value.age.start();
}

std::optional<QPoint> take()
{
    Latest& value = latest();
    std::optional<QPoint> position;
    if (value.age.isValid() && value.age.elapsed() <= freshForMs)
        position = value.position;
    value.position.reset();
    value.age.invalidate();
    return position;
}

} // namespace TrayClickPosition
