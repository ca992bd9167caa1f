#include "Platform/Http/HttpRequestHead.h"

#include <cstring>

namespace {

// The characters of a method name (a token).
bool isTokenCharacter(char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return true;
    return c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr;
}

// Printable ASCII without the space: what a request target may hold.
bool isTargetCharacter(char c)
{
    return c > 0x20 && c < 0x7f;
}

} // namespace

bool HttpRequestHead::isLoopbackHost(QByteArrayView host)
{
    QByteArrayView name = host;
    if (name.startsWith('[')) {
        const qsizetype close = name.indexOf(']');
        if (close < 0)
            return false;
        const QByteArrayView rest = name.sliced(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(':'))
            return false;
        name = name.sliced(1, close - 1);
        return name == "::1";
    }
    const qsizetype colon = name.indexOf(':');
    if (colon >= 0)
        name = name.first(colon);
    if (name.compare("localhost", Qt::CaseInsensitive) == 0)
        return true;
    // 127.x.y.z written out in full.
    if (!name.startsWith("127."))
        return false;
    int parts = 0;
    int digits = 0;
    for (const char c : name) {
        if (c == '.') {
            if (digits == 0)
                return false;
            ++parts;
            digits = 0;
        } else if (c >= '0' && c <= '9' && digits < 3) {
            ++digits;
        } else {
            return false;
        }
    }
    return parts == 3 && digits > 0;
}

qsizetype HttpRequestHead::endOfHead(QByteArrayView received)
{
    const qsizetype crlf = received.indexOf(QByteArrayView("\r\n\r\n"));
    const qsizetype lf = received.indexOf(QByteArrayView("\n\n"));
    if (crlf >= 0 && (lf < 0 || crlf + 2 <= lf))
        return crlf + 4;
    if (lf >= 0)
        return lf + 2;
    return -1;
}

HttpRequestHead::Problem HttpRequestHead::parse(QByteArrayView head, HttpRequestHead& request)
{
    // Lines end in CRLF; a bare LF is accepted as the end of a line too.
    qsizetype lineEnd = head.indexOf('\n');
    QByteArrayView line = lineEnd < 0 ? head : head.first(lineEnd);
    if (line.endsWith('\r'))
        line.chop(1);

    // method SP target SP HTTP/1.x, single spaces only.
    const qsizetype firstSpace = line.indexOf(' ');
    if (firstSpace <= 0)
        return Problem::malformed;
    const qsizetype secondSpace = line.indexOf(' ', firstSpace + 1);
    if (secondSpace <= firstSpace + 1)
        return Problem::malformed;
    const QByteArrayView method = line.first(firstSpace);
    const QByteArrayView target = line.sliced(firstSpace + 1, secondSpace - firstSpace - 1);
    const QByteArrayView version = line.sliced(secondSpace + 1);
    for (const char c : method)
        if (!isTokenCharacter(c))
            return Problem::malformed;
    for (const char c : target)
        if (!isTargetCharacter(c))
            return Problem::malformed;
    if (version.isEmpty() || version.contains(' '))
        return Problem::malformed;
    if (version == "HTTP/1.1")
        request.minorVersion = 1;
    else if (version == "HTTP/1.0")
        request.minorVersion = 0;
    else
        return Problem::unsupportedVersion;

    // Every header line needs a name before a colon; continuation lines are obsolete and refused.
    request.host.clear();
    while (lineEnd >= 0) {
        const qsizetype start = lineEnd + 1;
        lineEnd = head.indexOf('\n', start);
        QByteArrayView header = lineEnd < 0 ? head.sliced(start) : head.sliced(start, lineEnd - start);
        if (header.endsWith('\r'))
            header.chop(1);
        if (header.isEmpty())
            continue;
        const qsizetype colon = header.indexOf(':');
        if (colon <= 0)
            return Problem::malformed;
        for (const char c : header.first(colon))
            if (!isTokenCharacter(c))
                return Problem::malformed;
        if (header.first(colon).compare("host", Qt::CaseInsensitive) == 0)
            request.host = header.sliced(colon + 1).trimmed().toByteArray();
    }

    request.method = method.toByteArray();
    const qsizetype query = target.indexOf('?');
    request.path = (query < 0 ? target : target.first(query)).toByteArray();
    return Problem::none;
}
