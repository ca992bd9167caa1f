// The writes of a preferences domain: read-modify-write of the file under its lock.
#include "Platform/Settings/PreferencesDomain.h"

#include "Platform/Logging/PlatformLog.h"
#include "Platform/Settings/FileLock.h"
#include "Platform/Settings/PreferencesCodec.h"
#include "Platform/Settings/PreferencesFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include <cerrno>

void PreferencesDomain::setBool(const QString& key, bool value)
{
    setObject(key, value);
}
void PreferencesDomain::setInteger(const QString& key, qint64 value)
{
    setObject(key, value);
}
void PreferencesDomain::setDouble(const QString& key, double value)
{
    setObject(key, value);
}
void PreferencesDomain::setString(const QString& key, const QString& value)
{
    setObject(key, value);
}
void PreferencesDomain::setStringList(const QString& key, const QStringList& value)
{
    setObject(key, value);
}

bool PreferencesDomain::setObject(const QString& key, const QVariant& value)
{
    if (!value.isValid())
        return mutate(key, std::nullopt);
    const std::optional<QJsonValue> encoded = PreferencesCodec::encode(value);
    if (!encoded) {
        qCWarning(lcPlatform, "refusing to store a value of type %s under %s", value.typeName(), qPrintable(key));
        return false;
    }
    return mutate(key, encoded);
}

bool PreferencesDomain::removeObjectForKey(const QString& key)
{
    return mutate(key, std::nullopt);
}

bool PreferencesDomain::mutate(const QString& key, const std::optional<QJsonValue>& value)
{
    const QString target = PreferencesFile::writeTarget(m_path);
    const QString dir = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(dir)) {
        const int error = errno;
        qCWarning(lcPlatform, "cannot create preferences directory %s: %s", qPrintable(dir),
            qPrintable(PreferencesFile::errorText(error)));
        return false;
    }
    bool changed = false;
    {
        const FileLock lock(PreferencesFile::lockPath(target));
        if (!lock.isLocked()) {
            qCWarning(
                lcPlatform, "cannot write preferences file %s: %s", qPrintable(target), qPrintable(lock.problem()));
            return false;
        }
        PreferencesFile::removeStaleTemporaries(target);
        // Start from what is on disk now, so keys another process wrote are kept.
        const PreferencesFile::ReadResult current = PreferencesFile::read(target);
        if (current.status == PreferencesFile::ReadResult::Status::unreadable) {
            // Writing now would replace settings we cannot see with only the key being written.
            qCWarning(lcPlatform, "not writing preferences file %s: it cannot be read (%s) and is left untouched",
                qPrintable(target), qPrintable(current.problem));
            m_dirty = true;
            return false;
        }
        QJsonObject values;
        if (current.status == PreferencesFile::ReadResult::Status::read) {
            QString why;
            if (const auto parsed = PreferencesFile::parse(current.bytes, &why)) {
                values = *parsed;
            } else {
                const QString aside = PreferencesFile::moveAside(target);
                if (aside.isEmpty()) {
                    const int error = errno;
                    qCWarning(lcPlatform,
                        "not writing preferences file %s: it is corrupt and cannot be kept aside (%s)",
                        qPrintable(target), qPrintable(PreferencesFile::errorText(error)));
                    return false;
                }
                qCWarning(lcPlatform, "preferences file %s was not a JSON object (%s); kept it as %s and started empty",
                    qPrintable(target), qPrintable(why), qPrintable(aside));
            }
        }
        const auto existing = values.constFind(key);
        if (value) {
            changed = existing == values.constEnd() || *existing != *value;
            values.insert(key, *value);
        } else {
            changed = existing != values.constEnd();
            values.remove(key);
        }
        if (changed) {
            QString problem;
            if (!PreferencesFile::replace(target, QJsonDocument(values).toJson(QJsonDocument::Indented), &problem)) {
                qCWarning(lcPlatform, "cannot write preferences file %s: %s", qPrintable(target), qPrintable(problem));
                return false;
            }
        }
        // Watch before taking this as the current state, so the next change by anyone is seen.
        updateWatch();
        adopt(values);
        reportReadProblem({});
        m_stamp = stampOfFile();
        m_loaded = true;
        m_dirty = false;
    }
    if (changed)
        emit didChange();
    return true;
}
