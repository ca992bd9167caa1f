#include "Platform/Bundles/Bundle.h"

#include "Platform/Bundles/StringsTable.h"
#include "Platform/Files/DirectoryEntries.h"
#include "Platform/Logging/PlatformLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QXmlStreamReader>

#include <atomic>
#include <memory>

struct Bundle::Cache {
    QMutex mutex;
    std::optional<QStringList> localizations;
    // "<localization>/<table>" → the table, or none when it is missing.
    QHash<QString, std::optional<StringsTable>> tables;
};

namespace {

std::optional<QVariant> readValue(QXmlStreamReader& xml);

std::optional<QVariant> readArray(QXmlStreamReader& xml)
{
    QVariantList items;
    bool allText = true;
    while (xml.readNextStartElement()) {
        auto item = readValue(xml);
        if (!item)
            return std::nullopt;
        allText = allText && item->typeId() == QMetaType::QString;
        items.append(*item);
    }
    if (allText) {
        QStringList texts;
        for (const QVariant& item : items)
            texts.append(item.toString());
        return texts;
    }
    return items;
}

std::optional<QVariant> readDict(QXmlStreamReader& xml)
{
    QVariantMap map;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("key"))
            return std::nullopt;
        const QString key = xml.readElementText();
        if (!xml.readNextStartElement())
            return std::nullopt;
        auto value = readValue(xml);
        if (!value)
            return std::nullopt;
        map.insert(key, *value);
    }
    return map;
}

std::optional<QVariant> readValue(QXmlStreamReader& xml)
{
    const auto name = xml.name();
    if (name == QLatin1String("string"))
        return xml.readElementText();
    if (name == QLatin1String("integer")) {
        bool ok = false;
        const qint64 n = xml.readElementText().trimmed().toLongLong(&ok);
        return ok ? std::optional<QVariant>(n) : std::nullopt;
    }
    if (name == QLatin1String("real")) {
        bool ok = false;
        const double d = xml.readElementText().trimmed().toDouble(&ok);
        return ok ? std::optional<QVariant>(d) : std::nullopt;
    }
    if (name == QLatin1String("true") || name == QLatin1String("false")) {
        const bool value = name == QLatin1String("true");
        xml.skipCurrentElement();
        return QVariant(value);
    }
    if (name == QLatin1String("array"))
        return readArray(xml);
    if (name == QLatin1String("dict"))
        return readDict(xml);
    return std::nullopt;
}

QString& mainOverride()
{
    static QString path;
    return path;
}

// Before the application object exists (the agent settles its language first thing in main) Qt
// cannot name the program's directory; the kernel can.
QString programDirectory()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
}

std::unique_ptr<Bundle>& mainSlot()
{
    static std::unique_ptr<Bundle> bundle;
    return bundle;
}

std::atomic<quint64> g_mainGeneration {1};

} // namespace

Bundle::Bundle()
    : m_cache(std::make_shared<Cache>())
{
}

std::optional<QVariantMap> Bundle::parsePropertyList(const QByteArray& bytes)
{
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("plist"))
        return std::nullopt;
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("dict"))
        return std::nullopt;
    auto dict = readDict(xml);
    if (!dict || xml.hasError())
        return std::nullopt;
    return dict->toMap();
}

std::optional<Bundle> Bundle::open(const QString& path)
{
    QFile file(path + QStringLiteral("/Contents/Info.plist"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    auto info = parsePropertyList(file.readAll());
    if (!info) {
        qCWarning(lcPlatform, "bundle %s has an unreadable Info.plist", qPrintable(path));
        return std::nullopt;
    }
    Bundle bundle;
    bundle.m_path = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    bundle.m_info = *info;
    bundle.m_valid = true;
    return bundle;
}

const Bundle& Bundle::main()
{
    auto& slot = mainSlot();
    if (!slot) {
        QString candidate = mainOverride();
        if (candidate.isEmpty()) {
            // <bundle>/Contents/MacOS/<executable>
            QDir dir(programDirectory());
            if (dir.dirName() == QLatin1String("MacOS") && dir.cdUp() && dir.dirName() == QLatin1String("Contents")
                && dir.cdUp())
                candidate = dir.absolutePath();
        }
        if (auto opened = candidate.isEmpty() ? std::nullopt : open(candidate)) {
            slot = std::make_unique<Bundle>(*opened);
        } else {
            slot.reset(new Bundle());
            slot->m_path = candidate.isEmpty() ? programDirectory() : candidate;
        }
    }
    return *slot;
}

void Bundle::setMainBundlePathForTesting(const QString& path)
{
    mainOverride() = path;
    mainSlot().reset();
    g_mainGeneration.fetch_add(1);
}

quint64 Bundle::mainGeneration()
{
    return g_mainGeneration.load();
}

QString Bundle::identifier() const
{
    return m_info.value(QStringLiteral("CFBundleIdentifier")).toString();
}

QString Bundle::developmentLocalization() const
{
    const QVariant v = m_info.value(QStringLiteral("CFBundleDevelopmentRegion"));
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

QStringList Bundle::localizations() const
{
    QMutexLocker lock(&m_cache->mutex);
    if (m_cache->localizations)
        return *m_cache->localizations;
    QStringList codes;
    const QDir resources(resourcePath());
    const QStringList entries
        = DirectoryEntries::matching(resources, {}, u".lproj", QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries)
        codes.append(entry.chopped(6));
    m_cache->localizations = codes;
    return codes;
}

QString Bundle::localizedString(const QString& key, const QString& localization, const QString& table) const
{
    if (localization.isEmpty() || localization.contains(QLatin1Char('/')) || table.contains(QLatin1Char('/')))
        return key;
    QMutexLocker lock(&m_cache->mutex);
    const QString cacheKey = localization + QLatin1Char('/') + table;
    auto found = m_cache->tables.constFind(cacheKey);
    if (found == m_cache->tables.constEnd()) {
        const QString folder = resourcePath() + QLatin1Char('/') + localization + QStringLiteral(".lproj");
        std::optional<StringsTable> loaded;
        if (QFileInfo(folder).isDir())
            loaded = StringsTable::load(folder + QLatin1Char('/') + table + QStringLiteral(".strings"));
        found = m_cache->tables.insert(cacheKey, std::move(loaded));
    }
    return found->has_value() ? (*found)->value(key, key) : key;
}

QString Bundle::executablePath() const
{
    const QString name = m_info.value(QStringLiteral("CFBundleExecutable")).toString();
    return name.isEmpty() ? QString() : m_path + QStringLiteral("/Contents/MacOS/") + name;
}

QString Bundle::pathForResource(const QString& name, const QString& extension, const QString& subdirectory) const
{
    QString path = resourcePath();
    if (!subdirectory.isEmpty())
        path += QLatin1Char('/') + subdirectory;
    path += QLatin1Char('/') + name;
    if (!extension.isEmpty())
        path += QLatin1Char('.') + extension;
    return QFileInfo::exists(path) ? path : QString();
}
