#include "Platform/Prometheus/PrometheusClient.h"

#include "Platform/Logging/PlatformLog.h"

#include <QCryptographicHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>

struct PrometheusClient::Request {
    QNetworkReply* reply = nullptr;
    QTimer deadline;
    Handler handler;
    QByteArray body;
    PrometheusError abortReason;
    QString certificateFingerprint;
};

PrometheusClient::PrometheusClient(QObject* parent)
    : QObject(parent)
{
}

PrometheusClient::~PrometheusClient()
{
    cancelAll();
}

void PrometheusClient::setServer(const PrometheusServer& server)
{
    m_server = server;
    // Connections and cached credentials of the old server must not carry over.
    if (m_network) {
        m_network->clearConnectionCache();
        m_network->clearAccessCache();
    }
}

int PrometheusClient::pendingCount() const
{
    return int(m_requests.size());
}

void PrometheusClient::cancelAll()
{
    auto requests = std::move(m_requests);
    m_requests.clear();
    for (auto& request : requests) {
        request->deadline.stop();
        QObject::disconnect(request->reply, nullptr, this, nullptr);
        request->reply->abort();
        request->reply->deleteLater();
    }
}

QString PrometheusClient::fingerprint(const QSslCertificate& certificate)
{
    if (certificate.isNull())
        return {};
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex());
}

void PrometheusClient::query(const QString& promql, Handler handler)
{
    send(QStringLiteral("/api/v1/query"), {{QStringLiteral("query"), promql}}, std::move(handler));
}

void PrometheusClient::queryRange(
    const QString& promql, const QDateTime& start, const QDateTime& end, int stepSeconds, Handler handler)
{
    send(QStringLiteral("/api/v1/query_range"),
        {{QStringLiteral("query"), promql}, {QStringLiteral("start"), QString::number(start.toSecsSinceEpoch())},
            {QStringLiteral("end"), QString::number(end.toSecsSinceEpoch())},
            {QStringLiteral("step"), QString::number(std::max(1, stepSeconds))}},
        std::move(handler));
}

void PrometheusClient::send(
    const QString& endpoint, const QList<std::pair<QString, QString>>& parameters, Handler handler)
{
    const QUrl base = m_server.baseURL;
    if (!base.isValid() || (base.scheme() != QLatin1String("http") && base.scheme() != QLatin1String("https"))
        || base.host().isEmpty()) {
        // Handlers always run later, as they would for a network answer.
        PrometheusResult result;
        result.error.kind = PrometheusError::Kind::invalidAddress;
        result.error.detail = base.toString();
        QTimer::singleShot(0, this, [handler = std::move(handler), result] { handler(result); });
        return;
    }
    QUrl url = base;
    url.setPath(base.path() + endpoint);
    QUrlQuery query;
    for (const auto& [name, value] : parameters)
        query.addQueryItem(name, QString::fromLatin1(QUrl::toPercentEncoding(value)));
    url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);

    QNetworkRequest networkRequest(url);
    // Credentials go to the server the user named and nowhere else.
    networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    networkRequest.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    networkRequest.setRawHeader("Accept", "application/json");
    // Without a secret there is nothing to prove; an empty header would only be refused.
    if (m_server.secret.isEmpty()) {
    } else if (m_server.auth == PrometheusServer::Auth::basic) {
        const QByteArray pair = m_server.user.toUtf8() + ':' + m_server.secret.toUtf8();
        networkRequest.setRawHeader("Authorization", "Basic " + pair.toBase64());
    } else if (m_server.auth == PrometheusServer::Auth::bearer) {
        networkRequest.setRawHeader("Authorization", "Bearer " + m_server.secret.toUtf8());
    }

    auto request = std::make_unique<Request>();
    Request* raw = request.get();
    raw->handler = std::move(handler);
    // Made with the first request: most agents watch no other machine, and a network access
    // manager made at start-up would keep much of Qt's network code resident for nothing.
    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    raw->reply = m_network->get(networkRequest);
    // Hand-off limits of our own: the whole exchange, not only silence, is bounded.
    raw->deadline.setSingleShot(true);
    connect(&raw->deadline, &QTimer::timeout, this, [raw] {
        raw->abortReason.kind = PrometheusError::Kind::unreachable;
        raw->abortReason.detail = QStringLiteral("no answer in time");
        raw->reply->abort();
    });
    raw->deadline.start(m_timeout);

    const qint64 cap = m_maximumBodySize;
    connect(raw->reply, &QNetworkReply::metaDataChanged, this, [raw, cap] {
        const QVariant length = raw->reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > cap && !raw->abortReason.isError()) {
            raw->abortReason.kind = PrometheusError::Kind::tooLarge;
            raw->abortReason.detail = QStringLiteral("%1 bytes announced").arg(length.toLongLong());
            raw->reply->abort();
        }
    });
    connect(raw->reply, &QNetworkReply::readyRead, this, [raw, cap] {
        if (raw->abortReason.isError())
            return;
        const qint64 available = raw->reply->bytesAvailable();
        if (raw->body.size() + available > cap) {
            raw->abortReason.kind = PrometheusError::Kind::tooLarge;
            raw->abortReason.detail = QStringLiteral("more than %1 bytes").arg(cap);
            raw->body.clear();
            raw->reply->abort();
            return;
        }
        raw->body.append(raw->reply->read(available));
    });
    const QString trusted = PrometheusServer::normalizedFingerprint(m_server.trustedCertificate);
    connect(raw->reply, &QNetworkReply::sslErrors, this, [raw, trusted](const QList<QSslError>& errors) {
        QSslCertificate certificate = raw->reply->sslConfiguration().peerCertificate();
        if (certificate.isNull() && !errors.isEmpty())
            certificate = errors.first().certificate();
        raw->certificateFingerprint = fingerprint(certificate);
        // Only the very certificate the user chose to trust is let through.
        if (!trusted.isEmpty() && raw->certificateFingerprint == trusted)
            raw->reply->ignoreSslErrors(errors);
    });
    connect(raw->reply, &QNetworkReply::finished, this, [this, raw] { finish(raw); });
    m_requests.push_back(std::move(request));
}

namespace {

PrometheusError networkError(QNetworkReply& reply)
{
    PrometheusError error;
    error.detail = reply.errorString();
    switch (reply.error()) {
    case QNetworkReply::SslHandshakeFailedError:
        error.kind = PrometheusError::Kind::tls;
        break;
    case QNetworkReply::AuthenticationRequiredError:
        error.kind = PrometheusError::Kind::unauthorized;
        break;
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure:
        error.kind = PrometheusError::Kind::notPrometheus;
        break;
    default:
        error.kind = PrometheusError::Kind::unreachable;
        break;
    }
    return error;
}

} // namespace

void PrometheusClient::finish(Request* raw)
{
    const auto it = std::find_if(
        m_requests.begin(), m_requests.end(), [raw](const std::unique_ptr<Request>& r) { return r.get() == raw; });
    if (it == m_requests.end())
        return;
    std::unique_ptr<Request> request = std::move(*it);
    m_requests.erase(it);
    request->deadline.stop();
    QNetworkReply* reply = request->reply;
    reply->deleteLater();
    if (!request->abortReason.isError() && reply->bytesAvailable() > 0) {
        if (request->body.size() + reply->bytesAvailable() > m_maximumBodySize) {
            request->abortReason.kind = PrometheusError::Kind::tooLarge;
            request->abortReason.detail = QStringLiteral("more than %1 bytes").arg(m_maximumBodySize);
        } else {
            request->body.append(reply->readAll());
        }
    }

    PrometheusResult result;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (request->abortReason.isError()) {
        result.error = request->abortReason;
    } else if (status == 401 || status == 403) {
        result.error.kind = PrometheusError::Kind::unauthorized;
        result.error.detail = QStringLiteral("HTTP %1").arg(status);
    } else if (status == 0 && reply->error() != QNetworkReply::NoError) {
        result.error = networkError(*reply);
    } else {
        result = PrometheusResponse::parse(request->body);
        // A failing status with a body that is not the API's own error is some other web server.
        if (!result.error.isError() && (status < 200 || status >= 300)) {
            result = {};
            result.error.kind = PrometheusError::Kind::notPrometheus;
        }
        if (result.error.kind == PrometheusError::Kind::notPrometheus && status != 200)
            result.error.detail = QStringLiteral("HTTP %1").arg(status);
    }
    result.error.httpStatus = status;
    if (result.error.kind == PrometheusError::Kind::tls)
        result.error.certificateFingerprint = request->certificateFingerprint;
    if (result.error.isError())
        qCDebug(lcPlatform, "prometheus request to %s failed: %s", qUtf8Printable(reply->url().host()),
            qUtf8Printable(result.error.detail));
    request->handler(result);
}
