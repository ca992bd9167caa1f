#pragma once

#include "Platform/Updates/AppcastItem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The update feed: an RSS 2.0 document whose items describe releases. Our own elements and
// attributes live in the namespace below:
//
//   <rss version="2.0" xmlns:update="urn:quillon:update">
//     <channel><item>
//       <title>Vantor 1.5</title>
//       <update:version>30</update:version>
//       <update:shortVersionString>1.5</update:shortVersionString>
//       <update:releaseNotesLink>https://…/1.5.html</update:releaseNotesLink>
//       <enclosure url="https://…/Vantor-1.5.tar.gz" length="123456" type="application/x-gtar"
//                  update:edSignature="base64…"/>
//     </item></channel>
//   </rss>
//
// The version and the short version may also be given as attributes of the enclosure.
namespace Appcast {

inline const QString updateNamespace = QStringLiteral("urn:quillon:update");

// Every item of the feed, in document order; none when the text is not a well-formed RSS
// document or nests elements implausibly deep (the reason goes to `error`). Items are returned
// even when incomplete; isValid tells which can be installed.
std::optional<QList<AppcastItem>> parse(const QByteArray& xml, QString* error = nullptr);

// Whether a feed fetched from `feedURL` may send us to `url`: an https address with a host, or a
// local file when the feed itself is a local file. Plain http never is: whoever sits on the
// network path could swap what it serves.
bool isAllowedLocation(const QUrl& url, const QUrl& feedURL);

// An item of the feed at `feedURL` that names a build version and an archive at an allowed
// location, with a positive length and a signature of the right size.
bool isValid(const AppcastItem& item, const QUrl& feedURL);

// The valid item with the highest build version (the first of equals); none when no item is
// valid. Its release notes link is dropped when it is not at an allowed location.
std::optional<AppcastItem> newestValidItem(const QList<AppcastItem>& items, const QUrl& feedURL);

} // namespace Appcast
