#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

// A named preferences domain: typed values under flat text keys, shared between processes.
//
// Each domain is one JSON file, <config dir>/vantor/<domain>.json. Values keep their type across
// a round trip: booleans, integers and texts are plain JSON values, lists of texts are arrays, and
// doubles are written as {"double": x} because JSON itself cannot tell 3.0 from 3. A plain
// non-integral number in a hand-edited file reads as a double. Values of any other shape are kept
// untouched on every write.
//
// Reads check the file's identity and modification time and re-read it only when another process
// replaced it. Writes are read-modify-write under an advisory lock, then an atomic rename, so two
// processes that write different keys at the same moment lose neither write. Registered defaults
// live in memory only and are never written.
class PreferencesDomain : public QObject {
    Q_OBJECT
public:
    // Opens `name` in `directory` (default: defaultDirectory()). A name that cannot be a single
    // file name gives no domain.
    static std::unique_ptr<PreferencesDomain> open(const QString& name, const QString& directory = {});
    static bool isValidName(const QString& name);
    // $XDG_CONFIG_HOME/vantor, or ~/.config/vantor.
    static QString defaultDirectory();

    // The running program's own domain, named after its bundle identifier.
    static PreferencesDomain& standard();
    // For tests: forget the standard domain so that the next call opens it again.
    static void resetStandardForTesting();

    ~PreferencesDomain() override;

    QString name() const { return m_name; }
    QString filePath() const { return m_path; }

    // The stored value, else the registered default, else an invalid QVariant.
    QVariant objectForKey(const QString& key) const;
    // Only what is stored in the file, ignoring registered defaults.
    QVariant persistentObjectForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    std::optional<QString> stringForKey(const QString& key) const;
    QStringList stringArrayForKey(const QString& key) const;
    QStringList persistentKeys() const;

    void setBool(const QString& key, bool value);
    void setInteger(const QString& key, qint64 value);
    void setDouble(const QString& key, double value);
    void setString(const QString& key, const QString& value);
    void setStringList(const QString& key, const QStringList& value);
    // Stores a bool, integer, double, text or list of texts; an invalid QVariant removes the key.
    // Returns false (and stores nothing) for any other type or a double that is not finite.
    bool setObject(const QString& key, const QVariant& value);
    void removeObjectForKey(const QString& key);

    void registerDefaults(const QVariantMap& defaults);
    QVariantMap registeredDefaults() const { return m_registered; }

signals:
    // After every change made through this object.
    void didChange();

private:
    PreferencesDomain(QString name, QString path);

    struct FileStamp {
        quint64 device = 0, inode = 0, size = 0;
        qint64 mtimeNs = 0, ctimeNs = 0;
        bool exists = false;
        bool operator==(const FileStamp&) const = default;
    };

    void refreshIfChanged() const;
    FileStamp stampOfFile() const;
    // Reads and parses the file; a corrupt file is moved aside (the caller holds the lock).
    QJsonObject loadFromDisk(bool moveAsideIfCorrupt) const;
    bool mutate(const QString& key, const std::optional<QJsonValue>& value);
    static QVariant decode(const QJsonValue& value);

    QString m_name;
    QString m_path;
    QVariantMap m_registered;
    mutable QJsonObject m_values;
    mutable FileStamp m_stamp;
    mutable bool m_loaded = false;
};
