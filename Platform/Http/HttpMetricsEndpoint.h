#pragma once

#include "Platform/Http/MetricsEndpoint.h"

#include <QHash>

class QTcpServer;
class QTcpSocket;
class QTimer;

// The metrics endpoint as a tiny HTTP/1.1 server on the main thread. It answers GET and HEAD of
// the one path and nothing else, one request per connection (then it closes), and stays cheap
// and standing when it is flooded or sent garbage: a bounded number of connections, a bounded
// request head, a deadline for the request and one for the answer to be taken.
class HttpMetricsEndpoint : public MetricsEndpoint {
    Q_OBJECT
public:
    struct Limits {
        // Connections beyond this are closed at once.
        int connections = 8;
        // Bytes of request line and headers; more is refused with 431.
        int requestHead = 8192;
        // A request must have arrived this long after the connection opened (else 408), and
        // the answer must have been taken this long after it was sent (else the connection is
        // dropped).
        int requestTimeoutMs = 5000;
        int responseTimeoutMs = 10000;
    };

    explicit HttpMetricsEndpoint(QObject* parent = nullptr);
    explicit HttpMetricsEndpoint(Limits limits, QObject* parent = nullptr);
    ~HttpMetricsEndpoint() override;

    void setContent(const QByteArray& contentType, std::function<QByteArray()> body) override;
    bool listen(const QHostAddress& address, quint16 port) override;
    void close() override;
    bool isListening() const override;
    QHostAddress address() const override;
    quint16 port() const override;
    QString errorString() const override;

    // Connections open now; for tests.
    int connectionCount() const { return int(m_connections.size()); }

    // The full answer to one request head: status line, headers and, unless the method was HEAD,
    // the body. `body` is asked only for a successful GET or HEAD of the path. An endpoint on the
    // loopback address answers only requests addressed to a loopback name (403 otherwise): a web
    // page that has a name of its own resolve to 127.0.0.1 must not read the readings.
    static QByteArray respond(QByteArrayView head, const QByteArray& contentType,
        const std::function<QByteArray()>& body, bool loopbackOnly = false);

private:
    struct Connection {
        QByteArray received;
        QTimer* deadline = nullptr;
        bool answered = false;
    };

    void accept();
    void read(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QByteArray& response);
    void drop(QTcpSocket* socket);

    Limits m_limits;
    QTcpServer* m_server = nullptr;
    QHash<QTcpSocket*, Connection> m_connections;
    QByteArray m_contentType;
    std::function<QByteArray()> m_body;
    QString m_error;
};
