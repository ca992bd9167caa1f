#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <chrono>
#include <memory>
#include <optional>

class DirectoryWatch;

// A named preferences domain: typed values under flat text keys, shared between processes.
//
// Each domain is one JSON file, <config dir>/vantor/<domain>.json. Values keep their type across
// a round trip: booleans, integers and texts are plain JSON values, lists of texts are arrays, and
// doubles are written as {"double": x} because JSON itself cannot tell 3.0 from 3. A plain
// non-integral number in a hand-edited file reads as a double. Values of any other shape are kept
// untouched on every write.
//
// Reads are served from memory. The kernel reports every change to the file (a watch on its
// folder), and invalidate() lets a cross-process signal say the same; the file is parsed again
// only then, so a steady reader makes no system call at all. Where the folder cannot be watched,
// reads fall back to comparing the file's identity and times.
//
// Writes are read-modify-write under an advisory lock, then an atomic rename, so two processes
// that write different keys at the same moment lose neither write. A file that exists but cannot
// be read is never written over: reads fall back to the registered defaults and writes fail.
// Registered defaults live in memory only and are never written.
//
// A file that does not parse may be an editor's save caught half-way, so it is left exactly where
// it is: reads keep the last good values, and writes wait. Only once it has stayed the same for the
// settle time with no process holding it open for writing is it judged corrupt: a copy is kept
// aside (the file itself is never renamed, since an editor may still be writing into it), and the
// next write replaces it with the last good values.
class PreferencesDomain : public QObject {
    Q_OBJECT
public:
    // Opens `name` in `directory` (default: defaultDirectory()). A name that cannot be a single
    // file name gives no domain.
    static std::unique_ptr<PreferencesDomain> open(const QString& name, const QString& directory = {});
    // Whether `name` can name a domain's file and every file kept beside it (lock, temporary,
    // corrupt copy) within the file system's name length.
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
    // Typed reads never convert a value of another shape: a stored value that is not of the
    // asked type (a list under a bool key, "on" for a bool, a number for a text) reads as the
    // registered default, at the cost of a hash lookup; with no default, as false, 0 or nothing.
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
    // Returns false (and stores nothing) for any other type, a double that is not finite, or when
    // the file could not be written (the reason is logged).
    bool setObject(const QString& key, const QVariant& value);
    bool removeObjectForKey(const QString& key);

    void registerDefaults(const QVariantMap& defaults);
    QVariantMap registeredDefaults() const { return m_registered; }

    // Forgets what was read, so the next read parses the file again. For a signal from another
    // process that says it wrote.
    void invalidate() { m_dirty = true; }
    // How long a file that does not parse must stay unchanged before it is judged corrupt.
    static constexpr std::chrono::milliseconds defaultSettleTime {2000};
    void setSettleTime(std::chrono::milliseconds settle) { m_settle = settle; }

    // Changes whenever what reads may return could have changed (a new reading of the file, a
    // write, new defaults), to a value no domain of this process had before. Callers that derive
    // state from many keys rebuild it only when this moves.
    quint64 generation() const;

signals:
    // After every change made through this object.
    void didChange();
    // After the file changed under us (another process, a hand edit) so that reads now give other
    // values. Delivered by the event loop from the kernel's word; never for writes through this
    // object, and not while a file that does not parse may still be changing.
    void changedOnDisk();

private:
    PreferencesDomain(QString name, QString path);

    struct FileStamp {
        quint64 device = 0, inode = 0, size = 0;
        qint64 mtimeNs = 0, ctimeNs = 0;
        bool exists = false;
        bool operator==(const FileStamp&) const = default;
    };

    void refreshIfChanged() const;
    void reload() const;
    void updateWatch() const;
    FileStamp stampOfFile() const;
    void adopt(const QJsonObject& values) const;
    void reportReadProblem(const QString& problem) const;
    // The stored plain value or the registered default; nullptr when neither. A stored value of a
    // foreign shape hides the default and gives nullptr with `foreign` set.
    const QVariant* lookup(const QString& key, bool* foreign = nullptr) const;
    // The stored value converted by `convert`; the registered default when nothing of that type is
    // stored.
    template <typename T, typename Convert> std::optional<T> typedRead(const QString& key, Convert convert) const;
    bool mutate(const QString& key, const std::optional<QJsonValue>& value);

    // A file that did not parse, as last seen.
    struct InvalidFile {
        FileStamp stamp;
        qint64 firstSeenMs = 0;
        // Not judged again before this (after finding a writer, so as not to look through every
        // process on every read).
        qint64 notBeforeMs = 0;
        bool keptAside = false;
    };
    // Notes the file in `bytes` (empty, or not parsing) and keeps a copy aside once it has settled;
    // true when it has settled (a copy is kept, or it is empty), false while it may still change.
    bool judgeInvalid(const QByteArray& bytes, const QString& why) const;
    bool hasSettled(const InvalidFile& invalid) const;
    void scheduleSettleCheck() const;
    void checkForOutsideChange();
    QString m_name;
    QString m_path;
    QVariantMap m_registered;
    std::unique_ptr<DirectoryWatch> m_watch;
    mutable QJsonObject m_values;
    // Every stored key: its plain value, or an invalid QVariant for a value of a foreign shape.
    mutable QHash<QString, QVariant> m_plain;
    mutable FileStamp m_stamp;
    mutable QString m_readProblem;
    mutable quint64 m_generation = 0;
    mutable bool m_loaded = false;
    mutable bool m_dirty = false;
    mutable std::optional<InvalidFile> m_invalid;
    mutable bool m_settleCheckQueued = false;
    bool m_outsideCheckQueued = false;
    std::chrono::milliseconds m_settle = defaultSettleTime;
    // The last write found the lock held past its patience (a stopped or hung holder): until a
    // write gets it again, writes do not wait for it, so that one stuck process costs one wait.
    bool m_lockStalled = false;
};
