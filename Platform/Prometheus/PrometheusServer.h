#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// Where a Prometheus server is and how to speak to it.
struct PrometheusServer {
    enum class Auth { none, basic, bearer };

    // The server's base address: scheme, host, port and any path prefix it is served under.
    QUrl baseURL;
    Auth auth = Auth::none;
    QString user;
    // The password (basic) or the token (bearer).
    QString secret;
    // A certificate the user chose to trust although the system does not: the SHA-256 fingerprint
    // of the server's own certificate in hex (colons and case do not matter).
    QString trustedCertificate;

    // The address as the user typed it, made into a base URL: "host:9090" means http; only http
    // and https are accepted, and user names, passwords, queries and fragments in the address are
    // refused (credentials have a place of their own).
    static std::optional<QUrl> parseAddress(const QString& text);
    static Auth authFromText(const QString& text);
    static QString authText(Auth auth);
    // Fingerprints compare without colons, spaces or case.
    static QString normalizedFingerprint(const QString& text);
};
