#include "Platform/Settings/PreferencesDomain.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Logging/PlatformLog.h"
#include "Platform/Settings/DirectoryWatch.h"
#include "Platform/Settings/FileLock.h"
#include "Platform/Settings/PreferencesCodec.h"
#include "Platform/Settings/PreferencesFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <sys/stat.h>

namespace {

// Room left for the longest name kept beside the file (".json.corrupt-yyyyMMdd-HHmmss-NN" or
// ".json.tmp-<pid>-<hex>") within the usual 255-byte limit of a file name.
constexpr qsizetype kMaxNameBytes = 200;

qint64 nanoseconds(const struct timespec& t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Generations are unique across all domains of the process, so a value remembered from one domain
// can never be mistaken for the same state of another that replaced it.
quint64 nextGeneration()
{
    static quint64 counter = 0;
    return ++counter;
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
    , m_watch(std::make_unique<DirectoryWatch>())
{
    connect(m_watch.get(), &DirectoryWatch::changed, this, [this] {
        m_dirty = true;
        // Events come in bursts (an editor's save is several); one look after the burst is enough.
        if (m_outsideCheckQueued)
            return;
        m_outsideCheckQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_outsideCheckQueued = false;
            checkForOutsideChange();
        });
    });
}

void PreferencesDomain::checkForOutsideChange()
{
    // Compared by value: our own write coming back as an event, or a save that changed nothing,
    // is no change.
    const QJsonObject before = m_values;
    refreshIfChanged();
    if (m_values != before)
        emit changedOnDisk();
}

PreferencesDomain::~PreferencesDomain() = default;

bool PreferencesDomain::isValidName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name.contains(QLatin1Char('/'))
        || name.contains(QStringLiteral("..")))
        return false;
    for (const QChar c : name) {
        // NUL ends a file name early; other control characters make names no tool shows honestly.
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    }
    return QFile::encodeName(name).size() <= kMaxNameBytes;
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

void PreferencesDomain::updateWatch() const
{
    const QFileInfo link(m_path);
    QStringList directories {link.absolutePath()};
    QStringList names {link.fileName()};
    const QString target = PreferencesFile::writeTarget(m_path);
    if (target != m_path) {
        // The link and its target can change independently; either means a new value.
        const QFileInfo info(target);
        directories.append(info.absolutePath());
        names.append(info.fileName());
    }
    m_watch->watch(directories, names);
}

void PreferencesDomain::reportReadProblem(const QString& problem) const
{
    if (problem == m_readProblem)
        return;
    m_readProblem = problem;
    if (!problem.isEmpty())
        qCWarning(lcPlatform, "preferences file %s cannot be read (%s); using the defaults and refusing writes",
            qPrintable(m_path), qPrintable(problem));
    else
        qCInfo(lcPlatform, "preferences file %s can be read again", qPrintable(m_path));
}

void PreferencesDomain::adopt(const QJsonObject& values) const
{
    m_invalid.reset();
    m_values = values;
    m_plain.clear();
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        m_plain.insert(it.key(), PreferencesCodec::decodePlain(it.value()));
    m_generation = nextGeneration();
}

void PreferencesDomain::refreshIfChanged() const
{
    // A file that does not parse is looked at again until it is whole or has settled.
    if (m_invalid && !m_invalid->keptAside && hasSettled(*m_invalid))
        m_dirty = true;
    if (m_loaded && !m_dirty) {
        if (m_watch->isWatching()) {
            // Without a running event loop nobody drains the watch for us; a non-blocking read
            // of it is still far cheaper than looking at the file.
            if (m_watch->deliversByItself() || !m_watch->poll())
                return;
        } else if (stampOfFile() == m_stamp) {
            return;
        }
    }
    reload();
}

void PreferencesDomain::reload() const
{
    m_dirty = false;
    // Watch before reading, so a write that lands during the read is reported afterwards.
    updateWatch();
    m_stamp = stampOfFile();
    m_loaded = true;

    const PreferencesFile::ReadResult result = PreferencesFile::read(m_path);
    if (result.status == PreferencesFile::ReadResult::Status::unreadable) {
        reportReadProblem(result.problem);
        adopt({});
        return;
    }
    reportReadProblem({});
    if (result.status == PreferencesFile::ReadResult::Status::missing) {
        adopt({});
        return;
    }
    // An editor's save begins with an empty file, so an empty file counts as the empty domain only
    // once it has stayed empty.
    QString why = QStringLiteral("it is empty");
    if (!result.bytes.trimmed().isEmpty()) {
        if (const auto values = PreferencesFile::parse(result.bytes, &why)) {
            adopt(*values);
            return;
        }
    }
    // Possibly an editor's save caught half-way: the last good values stay until it settles.
    if (judgeInvalid(result.bytes, why) && result.bytes.trimmed().isEmpty())
        adopt({});
}

bool PreferencesDomain::hasSettled(const InvalidFile& invalid) const
{
    const qint64 settle = qint64(m_settle.count());
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    // Unchanged for the settle time by the file's own change time, which every process agrees on,
    // or else for as long as this process has been looking at it (a clock that is off).
    if (now < invalid.notBeforeMs)
        return false;
    return now - invalid.stamp.ctimeNs / 1000000 >= settle || now - invalid.firstSeenMs >= settle;
}

bool PreferencesDomain::judgeInvalid(const QByteArray& bytes, const QString& why) const
{
    if (!m_invalid || m_invalid->stamp != m_stamp) {
        if (!m_invalid)
            qCInfo(lcPlatform,
                "preferences file %s does not parse (%s); keeping the last good values while it may "
                "still be changing",
                qPrintable(m_path), qPrintable(why));
        m_invalid = InvalidFile {m_stamp, QDateTime::currentMSecsSinceEpoch(), 0, false};
    }
    if (m_invalid->keptAside)
        return true;
    if (!hasSettled(*m_invalid)) {
        scheduleSettleCheck();
        return false;
    }
    const QString target = PreferencesFile::writeTarget(m_path);
    if (PreferencesFile::isOpenForWriting(target)) {
        // Someone is still at it: start the wait over.
        m_invalid->firstSeenMs = QDateTime::currentMSecsSinceEpoch();
        m_invalid->notBeforeMs = m_invalid->firstSeenMs + qint64(m_settle.count());
        scheduleSettleCheck();
        return false;
    }
    if (bytes.trimmed().isEmpty()) {
        // Nothing to keep: an empty file that stays empty is an empty domain.
        m_invalid->keptAside = true;
        return true;
    }
    QString problem;
    const QString aside = PreferencesFile::keepAside(m_path, bytes, &problem);
    if (aside.isEmpty()) {
        qCWarning(lcPlatform,
            "preferences file %s does not parse (%s) and no copy of it can be kept (%s); leaving it "
            "as it is",
            qPrintable(target), qPrintable(why), qPrintable(problem));
        m_invalid->notBeforeMs = QDateTime::currentMSecsSinceEpoch() + qint64(m_settle.count());
        return false;
    }
    m_invalid->keptAside = true;
    qCWarning(lcPlatform,
        "preferences file %s has not parsed for %lld ms (%s); kept a copy as %s, the next write "
        "replaces it",
        qPrintable(target), qint64(m_settle.count()), qPrintable(why), qPrintable(aside));
    return true;
}

void PreferencesDomain::scheduleSettleCheck() const
{
    if (m_settleCheckQueued || !QCoreApplication::instance() || QThread::currentThread() != thread())
        return;
    m_settleCheckQueued = true;
    auto* self = const_cast<PreferencesDomain*>(this);
    QTimer::singleShot(m_settle + std::chrono::milliseconds(50), self, [self] {
        self->m_settleCheckQueued = false;
        self->m_dirty = true;
        self->checkForOutsideChange();
    });
}

quint64 PreferencesDomain::generation() const
{
    refreshIfChanged();
    return m_generation;
}

void PreferencesDomain::registerDefaults(const QVariantMap& defaults)
{
    for (auto it = defaults.constBegin(); it != defaults.constEnd(); ++it)
        m_registered.insert(it.key(), it.value());
    m_generation = nextGeneration();
}
