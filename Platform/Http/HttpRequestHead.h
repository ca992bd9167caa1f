#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The head of one HTTP/1.x request (request line and header lines, without the blank line that
// ends it), read strictly: anything that is not plainly a request is refused rather than guessed.
struct HttpRequestHead {
    QByteArray method;
    // The path of the target, without a query.
    QByteArray path;
    // 0 for HTTP/1.0, 1 for HTTP/1.1.
    int minorVersion = 1;
    // The value of the Host header, trimmed; empty when there is none.
    QByteArray host;

    enum class Problem {
        none,
        malformed, // 400: not a request line, a stray character, a header line without a colon
        unsupportedVersion, // 505: HTTP/2 or later, or no HTTP at all
    };

    // Reads `head`; after a problem the other members mean nothing.
    static Problem parse(QByteArrayView head, HttpRequestHead& request);
    // Whether `host` names this computer's loopback interface (127.0.0.0/8, ::1, localhost), with or
    // without a port.
    static bool isLoopbackHost(QByteArrayView host);
    // Where the head ends: the index just past the first empty line ("\r\n\r\n", or "\n\n" from a
    // careless client), or -1 while it has not ended.
    static qsizetype endOfHead(QByteArrayView received);
};
