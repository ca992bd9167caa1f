// Feeds arbitrary bytes to the metrics endpoint as a request: finding the end of the head and
// answering it must never crash or hang, every answer must be a complete HTTP response that
// closes the connection, and the document may only go out for a GET or HEAD of the one path.

#include "Platform/Http/HttpMetricsEndpoint.h"
#include "Platform/Http/HttpRequestHead.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray received = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype end = HttpRequestHead::endOfHead(received);
    if (end > received.size() || end == 0 || end < -1)
        std::abort();
    const QByteArrayView head = end < 0 ? QByteArrayView(received) : QByteArrayView(received).first(end);

    bool made = false;
    const QByteArray answer = HttpMetricsEndpoint::respond(head, "text/plain", [&] {
        made = true;
        return QByteArrayLiteral("x 1\n");
    });
    if (!answer.startsWith("HTTP/1.1 ") || !answer.contains("\r\nConnection: close\r\n")
        || !answer.contains("\r\n\r\n"))
        std::abort();
    const bool ok = answer.startsWith("HTTP/1.1 200 ");
    if (ok != made)
        std::abort();
    if (ok) {
        HttpRequestHead request;
        if (HttpRequestHead::parse(head, request) != HttpRequestHead::Problem::none || request.path != "/metrics"
            || (request.method != "GET" && request.method != "HEAD"))
            std::abort();
    }
    return 0;
}
