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
    // A write that would change nothing needs neither the lock nor the disk: start-up writes that
    // restate what is stored cost nothing, even while some stopped process holds the lock.
    refreshIfChanged();
    if (m_loaded && !m_invalid && m_readProblem.isEmpty()) {
        const auto existing = m_values.constFind(key);
        if (value ? existing != m_values.constEnd() && *existing == *value : existing == m_values.constEnd())
            return true;
    }
    const QString target = PreferencesFile::writeTarget(m_path);
    // Our own folder, private whatever the umask. A link's target folder is the user's choice and
    // is never created.
    const QString ownFolder = QFileInfo(m_path).absolutePath();
    QString problem;
    if (!PreferencesFile::makePrivateDirectory(ownFolder, &problem)) {
        qCWarning(lcPlatform, "cannot create preferences directory %s: %s", qPrintable(ownFolder), qPrintable(problem));
        return false;
    }
    bool changed = false;
    {
        const FileLock lock(PreferencesFile::lockPath(m_path),
            m_lockStalled ? std::chrono::milliseconds(0) : FileLock::defaultPatience);
        if (!lock.isLocked()) {
            if (lock.timedOut())
                m_lockStalled = true;
            qCWarning(
                lcPlatform, "cannot write preferences file %s: %s", qPrintable(target), qPrintable(lock.problem()));
            return false;
        }
        m_lockStalled = false;
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
            QString why = QStringLiteral("it is empty");
            const bool blank = current.bytes.trimmed().isEmpty();
            std::optional<QJsonObject> parsed;
            if (!blank)
                parsed = PreferencesFile::parse(current.bytes, &why);
            if (parsed) {
                values = *parsed;
            } else {
                m_stamp = stampOfFile();
                if (!judgeInvalid(current.bytes, why)) {
                    // Replacing it now would leave the rest of an editor's save writing into a file
                    // that is no longer there.
                    qCWarning(lcPlatform,
                        "not writing preferences file %s: it does not parse (%s) and may still be being edited",
                        qPrintable(target), qPrintable(why));
                    m_dirty = true;
                    return false;
                }
                // Its contents are safe in the copy; carry on from the last good values. An empty
                // file that stayed empty is what the user left: an empty domain.
                if (!blank)
                    values = m_values;
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
        if (changed || m_invalid) {
            // Never write what the reader would refuse: indented while that fits, else compact.
            QJsonDocument document(values);
            QByteArray bytes = document.toJson(QJsonDocument::Indented);
            if (bytes.size() > PreferencesFile::sizeLimit)
                bytes = document.toJson(QJsonDocument::Compact);
            if (bytes.size() > PreferencesFile::sizeLimit) {
                qCWarning(lcPlatform,
                    "not writing preferences file %s: it would be %lld bytes, more than the %lld that can be read back",
                    qPrintable(target), qint64(bytes.size()), qint64(PreferencesFile::sizeLimit));
                return false;
            }
            if (!PreferencesFile::replace(target, bytes, &problem)) {
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
