#include "Platform/Prometheus/PrometheusServer.h"

std::optional<QUrl> PrometheusServer::parseAddress(const QString& text)
{
    QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 2048)
        return std::nullopt;
    if (!trimmed.contains(QLatin1String("://")))
        trimmed.prepend(QLatin1String("http://"));
    QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return std::nullopt;
    if (!url.userInfo().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path);
    url.setScheme(scheme);
    return url;
}

PrometheusServer::Auth PrometheusServer::authFromText(const QString& text)
{
    if (text == QLatin1String("basic"))
        return Auth::basic;
    if (text == QLatin1String("bearer"))
        return Auth::bearer;
    return Auth::none;
}

QString PrometheusServer::authText(Auth auth)
{
    switch (auth) {
    case Auth::basic:
        return QStringLiteral("basic");
    case Auth::bearer:
        return QStringLiteral("bearer");
    case Auth::none:
        break;
    }
    return QStringLiteral("none");
}

QString PrometheusServer::normalizedFingerprint(const QString& text)
{
    QString result;
    result.reserve(64);
    for (const QChar c : text) {
        if (c.isLetterOrNumber())
            result.append(c.toLower());
    }
    return result;
}
