#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// Who a process runs as and the environment it was started with, from <root>/<pid>. Another
// user's process gives nothing, since the kernel keeps its environment private.
namespace ProcessEnvironment {

// The user id owning <root>/<pid>; none when the process is gone.
std::optional<quint32> ownerUid(qint32 pid, const QString& procRoot = QStringLiteral("/proc"));

// The values of those of `names` that are set in <root>/<pid>/environ; none when it cannot be read.
std::optional<QHash<QString, QString>> variables(
    qint32 pid, const QStringList& names, const QString& procRoot = QStringLiteral("/proc"));

// The values of those of `names` set in the NUL-separated text of an environ file. An entry
// without "=" is skipped; the first of two entries with the same name wins, as getenv() finds it.
QHash<QString, QString> parse(QByteArrayView environ, const QStringList& names);

} // namespace ProcessEnvironment
