#include "Platform/Kernel/ProcessEnvironment.h"

#include <QFile>

#include <sys/stat.h>

namespace ProcessEnvironment {
namespace {

// An environment larger than this is not one a desktop session starts programs with.
constexpr qint64 kMaxEnviron = 1024 * 1024;

QString pidPath(const QString& procRoot, qint32 pid)
{
    return procRoot + QLatin1Char('/') + QString::number(pid);
}

} // namespace

std::optional<quint32> ownerUid(qint32 pid, const QString& procRoot)
{
    struct stat st { };
    if (::stat(QFile::encodeName(pidPath(procRoot, pid)).constData(), &st) != 0)
        return std::nullopt;
    return quint32(st.st_uid);
}

std::optional<QHash<QString, QString>> variables(qint32 pid, const QStringList& names, const QString& procRoot)
{
    QFile file(pidPath(procRoot, pid) + QStringLiteral("/environ"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    // The file reports size 0, so it is read until the end (or the limit).
    const QByteArray bytes = file.read(kMaxEnviron);
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError)
        return std::nullopt;
    return parse(bytes, names);
}

QHash<QString, QString> parse(QByteArrayView environ, const QStringList& names)
{
    QHash<QString, QString> found;
    while (!environ.isEmpty()) {
        qsizetype end = environ.indexOf('\0');
        if (end < 0)
            end = environ.size();
        const QByteArrayView entry = environ.first(end);
        environ = environ.sliced(std::min(end + 1, environ.size()));
        const qsizetype equals = entry.indexOf('=');
        if (equals <= 0)
            continue;
        const QString name = QString::fromLocal8Bit(entry.first(equals));
        if (!names.contains(name) || found.contains(name))
            continue;
        found.insert(name, QString::fromLocal8Bit(entry.sliced(equals + 1)));
    }
    return found;
}

} // namespace ProcessEnvironment
