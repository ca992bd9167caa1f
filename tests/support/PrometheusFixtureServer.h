#pragma once

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QMap>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <memory>

// A small HTTP(S) server on 127.0.0.1 that stands in for a Prometheus server: every request goes
// to a handler that decides the status, body and pace of the answer, so tests can serve good
// answers, errors, slow answers, malformed and oversized bodies, and ask for credentials. With
// TLS it presents the self-signed certificate in tests/data/prometheus.
class PrometheusFixtureServer : public QObject {
public:
    struct Request {
        QByteArray method;
        QString path;
        QUrlQuery query;
        QMap<QByteArray, QByteArray> headers; // names in lower case
    };
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
        // Waits this long before answering.
        int delayMs = 0;
        // Leaves out Content-Length and ends the body by closing the connection.
        bool withoutLength = false;
    };
    using Handler = std::function<Reply(const Request&)>;

    explicit PrometheusFixtureServer(bool tls = false)
    {
        if (tls) {
            auto server = std::make_unique<QSslServer>();
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.setLocalCertificate(certificate());
            QFile keyFile(QStringLiteral(VANTOR_TEST_DATA "/prometheus/fixture-key.pem"));
            keyFile.open(QIODevice::ReadOnly);
            configuration.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
            configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
            server->setSslConfiguration(configuration);
            m_server = std::move(server);
        } else {
            m_server = std::make_unique<QTcpServer>();
        }
        m_server->listen(QHostAddress::LocalHost);
        m_tls = tls;
        connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { receive(socket); });
                if (socket->bytesAvailable() > 0)
                    receive(socket);
            }
        });
    }

    static QSslCertificate certificate()
    {
        return QSslCertificate::fromPath(QStringLiteral(VANTOR_TEST_DATA "/prometheus/fixture-cert.pem")).value(0);
    }

    void setHandler(Handler handler) { m_handler = std::move(handler); }
    // A handler answering every query with `body`.
    void answer(QByteArray body, int status = 200)
    {
        setHandler([body = std::move(body), status](const Request&) { return Reply {status, body}; });
    }
    QUrl baseURL(const QString& prefix = {}) const
    {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                        .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
                        .arg(m_server->serverPort())
                        .arg(prefix));
    }
    int requestCount() const { return m_count; }
    const Request& lastRequest() const { return m_last; }

private:
    void receive(QTcpSocket* socket)
    {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = pending.left(end).split('\n');
        m_pending.remove(socket);
        Request request;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        const QUrl target(QString::fromLatin1(requestLine.value(1)));
        request.path = target.path();
        request.query = QUrlQuery(target);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        ++m_count;
        m_last = request;
        const Reply reply = m_handler ? m_handler(request) : Reply {404, {}};
        QPointer<QTcpSocket> guarded(socket);
        auto send = [guarded, reply] {
            if (!guarded)
                return;
            QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " Fixture\r\nConnection: close\r\n";
            head += "Content-Type: " + reply.contentType + "\r\n";
            if (!reply.withoutLength)
                head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
            if (reply.status == 401)
                head += "WWW-Authenticate: Basic realm=\"fixture\"\r\n";
            guarded->write(head + "\r\n");
            guarded->write(reply.body);
            guarded->disconnectFromHost();
        };
        if (reply.delayMs > 0)
            QTimer::singleShot(reply.delayMs, this, send);
        else
            send();
    }

    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    Handler m_handler;
    QMap<QTcpSocket*, QByteArray> m_pending;
    int m_count = 0;
    Request m_last;
};
