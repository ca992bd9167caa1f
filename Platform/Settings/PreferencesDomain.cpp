#include "Platform/Settings/PreferencesDomain.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Logging/PlatformLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kDoubleTag = QStringLiteral("double");

// Holds the domain's advisory lock (a sibling ".lock" file) for the lifetime of the object.
class FileLock {
public:
    explicit FileLock(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            qCWarning(lcPlatform, "cannot open lock file %s: %s", qPrintable(path), strerror(errno));
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) { }
    }
    ~FileLock()
    {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

std::optional<QJsonValue> encode(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return QJsonValue(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QJsonValue(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return QJsonValue(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return std::nullopt;
        return QJsonValue(QJsonObject {{kDoubleTag, d}});
    }
    case QMetaType::QString:
        return QJsonValue(value.toString());
    case QMetaType::QStringList:
        return QJsonValue(QJsonArray::fromStringList(value.toStringList()));
    default:
        return std::nullopt;
    }
}

qint64 nanoseconds(const struct timespec& t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::unique_ptr<PreferencesDomain>& standardSlot()
{
    static std::unique_ptr<PreferencesDomain> domain;
    return domain;
}

} // namespace

PreferencesDomain::PreferencesDomain(QString name, QString path)
    : m_name(std::move(name))
    , m_path(std::move(path))
{
}

PreferencesDomain::~PreferencesDomain() = default;

bool PreferencesDomain::isValidName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QStringLiteral(".."))
        && !name.contains(QChar(0)) && name != QLatin1String(".");
}

QString PreferencesDomain::defaultDirectory()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/vantor");
}

std::unique_ptr<PreferencesDomain> PreferencesDomain::open(const QString& name, const QString& directory)
{
    if (!isValidName(name))
        return nullptr;
    const QString dir = directory.isEmpty() ? defaultDirectory() : directory;
    return std::unique_ptr<PreferencesDomain>(
        new PreferencesDomain(name, dir + QLatin1Char('/') + name + QStringLiteral(".json")));
}

PreferencesDomain& PreferencesDomain::standard()
{
    auto& slot = standardSlot();
    if (!slot) {
        QString name = Bundle::main().identifier();
        if (!isValidName(name))
            name = QCoreApplication::applicationName();
        if (!isValidName(name))
            name = QStringLiteral("com.quillon.vantor.unbundled");
        slot = open(name);
    }
    return *slot;
}

void PreferencesDomain::resetStandardForTesting()
{
    standardSlot().reset();
}

PreferencesDomain::FileStamp PreferencesDomain::stampOfFile() const
{
    FileStamp stamp;
    struct stat st { };
    if (::stat(QFile::encodeName(m_path).constData(), &st) == 0) {
        stamp.exists = true;
        stamp.device = st.st_dev;
        stamp.inode = st.st_ino;
        stamp.size = quint64(st.st_size);
        stamp.mtimeNs = nanoseconds(st.st_mtim);
        stamp.ctimeNs = nanoseconds(st.st_ctim);
    }
    return stamp;
}

QJsonObject PreferencesDomain::loadFromDisk(bool moveAsideIfCorrupt) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    file.close();
    if (bytes.trimmed().isEmpty())
        return {};
    QJsonParseError error {};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && doc.isObject())
        return doc.object();
    if (moveAsideIfCorrupt) {
        // Never discard what the user had: keep the unreadable file beside the new one.
        const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString aside = m_path + QStringLiteral(".corrupt-") + stamp;
        for (int i = 1; QFile::exists(aside); ++i)
            aside = m_path + QStringLiteral(".corrupt-") + stamp + QLatin1Char('-') + QString::number(i);
        if (QFile::rename(m_path, aside))
            qCWarning(lcPlatform, "preferences file %s was not a JSON object (%s); kept it as %s and started empty",
                qPrintable(m_path),
                qPrintable(
                    error.error == QJsonParseError::NoError ? QStringLiteral("not an object") : error.errorString()),
                qPrintable(aside));
        else
            qCWarning(lcPlatform, "preferences file %s is unreadable and could not be moved aside", qPrintable(m_path));
    }
    return {};
}

void PreferencesDomain::refreshIfChanged() const
{
    const FileStamp now = stampOfFile();
    if (m_loaded && now == m_stamp)
        return;
    QJsonObject values = loadFromDisk(false);
    if (values.isEmpty() && now.exists && now.size > 0) {
        // Possibly corrupt: look again under the lock, and move it aside if it still is.
        FileLock lock(m_path + QStringLiteral(".lock"));
        values = loadFromDisk(true);
    }
    m_values = values;
    m_stamp = stampOfFile();
    m_loaded = true;
}

QVariant PreferencesDomain::decode(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        const QVariant v = value.toVariant();
        if (v.typeId() == QMetaType::LongLong)
            return v;
        return value.toDouble();
    }
    case QJsonValue::Array: {
        const QJsonArray array = value.toArray();
        QStringList strings;
        for (const QJsonValue& item : array) {
            if (!item.isString())
                return value.toVariant();
            strings.append(item.toString());
        }
        return strings;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        if (object.size() == 1 && object.contains(kDoubleTag) && object.value(kDoubleTag).isDouble())
            return object.value(kDoubleTag).toDouble();
        return value.toVariant();
    }
    default:
        return {};
    }
}

QVariant PreferencesDomain::persistentObjectForKey(const QString& key) const
{
    refreshIfChanged();
    const auto it = m_values.constFind(key);
    return it == m_values.constEnd() ? QVariant() : decode(*it);
}

QVariant PreferencesDomain::objectForKey(const QString& key) const
{
    QVariant stored = persistentObjectForKey(key);
    if (stored.isValid())
        return stored;
    return m_registered.value(key);
}

bool PreferencesDomain::boolForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v.toLongLong() != 0;
    case QMetaType::Double:
        return v.toDouble() != 0.0;
    case QMetaType::QString: {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("true") || s == QLatin1String("yes") || s == QLatin1String("1");
    }
    default:
        return false;
    }
}

double PreferencesDomain::doubleForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return v.toDouble();
    case QMetaType::QString: {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        return ok ? d : 0.0;
    }
    default:
        return 0.0;
    }
}

qint64 PreferencesDomain::integerForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return v.toLongLong();
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::fabs(d) >= 9.2e18)
            return 0;
        return qint64(d);
    }
    case QMetaType::QString: {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        return ok ? n : 0;
    }
    default:
        return 0;
    }
}

std::optional<QString> PreferencesDomain::stringForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    return std::nullopt;
}

QStringList PreferencesDomain::stringArrayForKey(const QString& key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QStringList ? v.toStringList() : QStringList();
}

QStringList PreferencesDomain::persistentKeys() const
{
    refreshIfChanged();
    return m_values.keys();
}

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
    if (!value.isValid()) {
        mutate(key, std::nullopt);
        return true;
    }
    const std::optional<QJsonValue> encoded = encode(value);
    if (!encoded) {
        qCWarning(lcPlatform, "refusing to store a value of type %s under %s", value.typeName(), qPrintable(key));
        return false;
    }
    return mutate(key, encoded);
}

void PreferencesDomain::removeObjectForKey(const QString& key)
{
    mutate(key, std::nullopt);
}

void PreferencesDomain::registerDefaults(const QVariantMap& defaults)
{
    for (auto it = defaults.constBegin(); it != defaults.constEnd(); ++it)
        m_registered.insert(it.key(), it.value());
}

bool PreferencesDomain::mutate(const QString& key, const std::optional<QJsonValue>& value)
{
    const QString dir = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(dir)) {
        qCWarning(lcPlatform, "cannot create preferences directory %s", qPrintable(dir));
        return false;
    }
    bool changed = false;
    {
        FileLock lock(m_path + QStringLiteral(".lock"));
        // Start from what is on disk now, so keys another process wrote are kept.
        QJsonObject values = loadFromDisk(true);
        const auto existing = values.constFind(key);
        if (value) {
            changed = existing == values.constEnd() || *existing != *value;
            values.insert(key, *value);
        } else {
            changed = existing != values.constEnd();
            values.remove(key);
        }
        if (changed) {
            const QByteArray bytes = QJsonDocument(values).toJson(QJsonDocument::Indented);
            const QString temp = m_path + QStringLiteral(".tmp-") + QString::number(::getpid()) + QLatin1Char('-')
                + QString::number(QRandomGenerator::global()->generate(), 16);
            const QByteArray tempName = QFile::encodeName(temp);
            const int fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            bool ok = fd >= 0;
            qsizetype written = 0;
            while (ok && written < bytes.size()) {
                const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
                if (n < 0 && errno == EINTR)
                    continue;
                ok = n > 0;
                written += n > 0 ? n : 0;
            }
            if (fd >= 0) {
                ok = ::fsync(fd) == 0 && ok;
                ok = ::close(fd) == 0 && ok;
            }
            if (ok)
                ok = ::rename(tempName.constData(), QFile::encodeName(m_path).constData()) == 0;
            if (!ok) {
                qCWarning(lcPlatform, "cannot write preferences file %s: %s", qPrintable(m_path), strerror(errno));
                ::unlink(tempName.constData());
                return false;
            }
        }
        m_values = values;
        m_stamp = stampOfFile();
        m_loaded = true;
    }
    if (changed)
        emit didChange();
    return true;
}
