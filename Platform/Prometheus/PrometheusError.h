#pragma once

#include <QString>

// Why a request to a Prometheus server gave no answer. The platform layer names the kind and keeps
// the technical detail; the programs put it into words for the user.
struct PrometheusError {
    enum class Kind {
        none,
        // No server at the address: refused, unknown host, no route, timed out.
        unreachable,
        // The TLS handshake failed or the certificate was not trusted.
        tls,
        // 401 or 403: the credentials are missing or wrong.
        unauthorized,
        // An answer came, but not the JSON of the query API (a web page, another service).
        notPrometheus,
        // The server understood and refused the query (a bad filter, an overloaded server).
        queryFailed,
        // The answer was larger than we accept.
        tooLarge,
        // The address itself cannot be used (empty, not http or https).
        invalidAddress,
    };

    Kind kind = Kind::none;
    // The server's or the network's own words, for the log and as the detail under our text.
    QString detail;
    // For a certificate that was not trusted: its SHA-256 fingerprint in lower-case hex, which the
    // user can choose to trust.
    QString certificateFingerprint;
    // The HTTP status, when one came.
    int httpStatus = 0;

    bool isError() const { return kind != Kind::none; }
};
