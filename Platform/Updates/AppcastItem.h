#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

// One release in an update feed.
struct AppcastItem {
    QString title;
    // The build version, compared with the installed bundle's CFBundleVersion.
    QString versionString;
    // The version shown to people (CFBundleShortVersionString); the build version when the feed
    // names none.
    QString displayVersionString;
    QUrl releaseNotesURL;
    // The archive and what the feed promises about it: its exact length and its ed25519 signature
    // (base64, as written in the feed).
    QUrl fileURL;
    qint64 contentLength = 0;
    QByteArray edSignature;

    bool operator==(const AppcastItem&) const = default;
};
