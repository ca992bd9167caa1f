#include "Platform/Updates/Appcast.h"

#include "Platform/Updates/VersionComparison.h"

#include <QXmlStreamReader>

namespace Appcast {
namespace {

// Real feeds nest four or five levels deep; anything far past that is hostile.
constexpr int maximumDepth = 32;

// Refuses documents nested deeper than maximumDepth before anything reads them as a feed, so
// no later step ever meets untrusted depth. The reader keeps its own element stack, not ours.
std::optional<QString> depthProblem(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > maximumDepth)
                return QStringLiteral("line %1: elements are nested deeper than %2 levels")
                    .arg(reader.lineNumber())
                    .arg(maximumDepth);
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return std::nullopt;
}

// The text inside the current element and all elements within it, read in a loop; the reader
// ends on the element's end tag.
QString collectText(QXmlStreamReader& reader)
{
    QString text;
    int depth = 1;
    while (depth > 0 && !reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            text += reader.text();
            break;
        default:
            break;
        }
    }
    return text;
}

QString attribute(const QXmlStreamAttributes& attributes, const QString& name)
{
    return attributes.value(updateNamespace, name).toString().trimmed();
}

bool isOurs(const QXmlStreamReader& reader, QLatin1String name)
{
    return reader.namespaceUri() == updateNamespace && reader.name() == name;
}

bool isPlain(const QXmlStreamReader& reader, QLatin1String name)
{
    return reader.namespaceUri().isEmpty() && reader.name() == name;
}

void readEnclosure(const QXmlStreamAttributes& attributes, AppcastItem& item)
{
    item.fileURL = QUrl(attributes.value(QStringLiteral("url")).toString().trimmed(), QUrl::StrictMode);
    bool ok = false;
    const qint64 length = attributes.value(QStringLiteral("length")).toString().trimmed().toLongLong(&ok);
    item.contentLength = ok ? length : 0;
    item.edSignature = attribute(attributes, QStringLiteral("edSignature")).toLatin1();
    // Versions given on the enclosure count when the item itself names none.
    if (item.versionString.isEmpty())
        item.versionString = attribute(attributes, QStringLiteral("version"));
    if (item.displayVersionString.isEmpty())
        item.displayVersionString = attribute(attributes, QStringLiteral("shortVersionString"));
}

// Reads one <item>; the reader stands on its start element and ends on its end element.
AppcastItem readItem(QXmlStreamReader& reader)
{
    AppcastItem item;
    QString version, shortVersion;
    while (reader.readNextStartElement()) {
        if (isPlain(reader, QLatin1String("title"))) {
            item.title = collectText(reader).trimmed();
        } else if (isOurs(reader, QLatin1String("version"))) {
            version = reader.readElementText().trimmed();
        } else if (isOurs(reader, QLatin1String("shortVersionString"))) {
            shortVersion = reader.readElementText().trimmed();
        } else if (isOurs(reader, QLatin1String("releaseNotesLink"))) {
            item.releaseNotesURL = QUrl(reader.readElementText().trimmed(), QUrl::StrictMode);
        } else if (isPlain(reader, QLatin1String("enclosure"))) {
            // The first enclosure is the archive; later ones are ignored.
            if (item.fileURL.isEmpty())
                readEnclosure(reader.attributes(), item);
            reader.skipCurrentElement();
        } else {
            reader.skipCurrentElement();
        }
    }
    if (!version.isEmpty())
        item.versionString = version;
    if (!shortVersion.isEmpty())
        item.displayVersionString = shortVersion;
    if (item.displayVersionString.isEmpty())
        item.displayVersionString = item.versionString;
    return item;
}

} // namespace

std::optional<QList<AppcastItem>> parse(const QByteArray& xml, QString* error)
{
    if (const auto problem = depthProblem(xml)) {
        if (error)
            *error = *problem;
        return std::nullopt;
    }
    QXmlStreamReader reader(xml);
    QList<AppcastItem> items;
    if (!reader.readNextStartElement() || !isPlain(reader, QLatin1String("rss"))) {
        if (error)
            *error = reader.hasError() ? reader.errorString() : QStringLiteral("the feed is not an rss document");
        return std::nullopt;
    }
    while (reader.readNextStartElement()) {
        if (!isPlain(reader, QLatin1String("channel"))) {
            reader.skipCurrentElement();
            continue;
        }
        while (reader.readNextStartElement()) {
            if (isPlain(reader, QLatin1String("item")))
                items.append(readItem(reader));
            else
                reader.skipCurrentElement();
        }
    }
    // Whatever follows the root must still be well formed.
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError()) {
        if (error)
            *error = QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
        return std::nullopt;
    }
    return items;
}

bool isAllowedLocation(const QUrl& url, const QUrl& feedURL)
{
    if (!url.isValid() || url.isRelative())
        return false;
    if (url.scheme() == QLatin1String("https"))
        return !url.host().isEmpty();
    // A local file may name local files; nothing fetched over the network may.
    return url.scheme() == QLatin1String("file") && feedURL.scheme() == QLatin1String("file")
        && feedURL.host().isEmpty() && url.host().isEmpty();
}

bool isValid(const AppcastItem& item, const QUrl& feedURL)
{
    if (item.versionString.isEmpty() || item.contentLength <= 0 || !isAllowedLocation(item.fileURL, feedURL))
        return false;
    const auto signature = QByteArray::fromBase64Encoding(item.edSignature, QByteArray::AbortOnBase64DecodingErrors);
    return signature && signature.decoded.size() == 64;
}

std::optional<AppcastItem> newestValidItem(const QList<AppcastItem>& items, const QUrl& feedURL)
{
    std::optional<AppcastItem> newest;
    for (const AppcastItem& item : items)
        if (isValid(item, feedURL)
            && (!newest || VersionComparison::compare(item.versionString, newest->versionString) > 0))
            newest = item;
    // Release notes are only a link to offer; one the feed may not name is dropped, not the release.
    if (newest && !isAllowedLocation(newest->releaseNotesURL, feedURL))
        newest->releaseNotesURL.clear();
    return newest;
}

} // namespace Appcast
