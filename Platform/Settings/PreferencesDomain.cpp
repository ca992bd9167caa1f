#include "Platform/Settings/PreferencesDomain.h"

#include "Platform/Bundles/Bundle.h"
#include "Platform/Logging/PlatformLog.h"
#include "Platform/Settings/DirectoryWatch.h"
#include "Platform/Settings/FileLock.h"
#include "Platform/Settings/PreferencesCodec.h"
#include "Platform/Settings/PreferencesFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

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
    connect(m_watch.get(), &DirectoryWatch::changed, this, [this] { m_dirty = true; });
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
    m_values = values;
    m_plain.clear();
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        m_plain.insert(it.key(), PreferencesCodec::decodePlain(it.value()));
    m_generation = nextGeneration();
}

void PreferencesDomain::refreshIfChanged() const
{
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
    QString why;
    if (const auto values = PreferencesFile::parse(result.bytes, &why)) {
        adopt(*values);
        return;
    }
    adopt({});
    // Possibly caught mid-edit by hand: look again under the lock, and keep the file aside if it is
    // still corrupt. A read never waits for the lock; a writer that holds it deals with the file.
    const QString target = PreferencesFile::writeTarget(m_path);
    const FileLock lock(PreferencesFile::lockPath(target), std::chrono::milliseconds(0));
    if (!lock.isLocked())
        return;
    const PreferencesFile::ReadResult again = PreferencesFile::read(target);
    if (again.status != PreferencesFile::ReadResult::Status::read)
        return;
    if (const auto values = PreferencesFile::parse(again.bytes, &why)) {
        adopt(*values);
        return;
    }
    const QString aside = PreferencesFile::moveAside(target);
    if (!aside.isEmpty())
        qCWarning(lcPlatform, "preferences file %s was not a JSON object (%s); kept it as %s and started empty",
            qPrintable(target), qPrintable(why), qPrintable(aside));
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
