#pragma once

#include "Platform/Prometheus/PrometheusResponse.h"
#include "Platform/Prometheus/PrometheusServer.h"

#include <QDateTime>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QSslCertificate;

// Asks a Prometheus server's HTTP API. Requests run asynchronously on Qt's network machinery; the
// handler runs later on the thread that owns the client, exactly once per request, unless the
// client is destroyed or cancelAll() is called first. Every request has a deadline, and an answer
// larger than the size cap is cut off and reported, never held in memory whole.
class PrometheusClient : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const PrometheusResult&)>;

    static constexpr std::chrono::milliseconds defaultTimeout {10000};
    static constexpr qint64 defaultMaximumBodySize = 8 * 1024 * 1024;

    explicit PrometheusClient(QObject* parent = nullptr);
    ~PrometheusClient() override;

    void setServer(const PrometheusServer& server);
    const PrometheusServer& server() const { return m_server; }
    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void setMaximumBodySize(qint64 bytes) { m_maximumBodySize = bytes; }

    // `/api/v1/query` at the server's present time.
    void query(const QString& promql, Handler handler);
    // `/api/v1/query_range` from `start` to `end` every `stepSeconds`.
    void queryRange(
        const QString& promql, const QDateTime& start, const QDateTime& end, int stepSeconds, Handler handler);
    // Drops every request in flight without calling its handler.
    void cancelAll();
    int pendingCount() const;

    // The SHA-256 fingerprint of a certificate, lower-case hex without separators.
    static QString fingerprint(const QSslCertificate& certificate);

private:
    struct Request;
    void send(const QString& endpoint, const QList<std::pair<QString, QString>>& parameters, Handler handler);
    void finish(Request* request);

    PrometheusServer m_server;
    std::chrono::milliseconds m_timeout = defaultTimeout;
    qint64 m_maximumBodySize = defaultMaximumBodySize;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::vector<std::unique_ptr<Request>> m_requests;
};
