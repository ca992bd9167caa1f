#pragma once

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QMap>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>

// A tiny web server on 127.0.0.1 for update tests: it answers GET requests for the paths it was
// given and 404 for the rest, one request per connection. By default it speaks https with a
// certificate for 127.0.0.1 from the test data, which this process trusts while the server lives;
// `Scheme::http` serves the same over plain http.
class LoopbackHttpServer : public QObject {
public:
    enum class Scheme { https, http };
    struct Response {
        QByteArray body;
        // Sends only this many bytes of the body (while announcing all of it), then hangs up, as
        // a connection that breaks in the middle of a download would. Negative: the whole body.
        qsizetype cutAfter = -1;
        // Not empty: answers with a redirect to this address instead.
        QByteArray location;
    };

    explicit LoopbackHttpServer(Scheme scheme = Scheme::https)
        : m_scheme(scheme)
    {
        if (scheme == Scheme::https) {
            auto server = std::make_unique<QSslServer>();
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.setLocalCertificate(certificate());
            QFile key(QStringLiteral(VANTOR_TEST_DATA "/updates/loopback-tls.key"));
            if (key.open(QIODevice::ReadOnly))
                configuration.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
            configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
            server->setSslConfiguration(configuration);
            m_server = std::move(server);
            // Clients in this process trust the certificate while the server lives.
            m_previousDefault = QSslConfiguration::defaultConfiguration();
            QSslConfiguration trusting = m_previousDefault;
            trusting.addCaCertificate(certificate());
            QSslConfiguration::setDefaultConfiguration(trusting);
        } else {
            m_server = std::make_unique<QTcpServer>();
        }
        m_server->listen(QHostAddress::LocalHost);
        connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                if (socket->bytesAvailable() > 0)
                    answer(socket);
            }
        });
    }
    ~LoopbackHttpServer() override
    {
        if (m_scheme == Scheme::https)
            QSslConfiguration::setDefaultConfiguration(m_previousDefault);
    }

    static QSslCertificate certificate()
    {
        QFile file(QStringLiteral(VANTOR_TEST_DATA "/updates/loopback-tls.crt"));
        return file.open(QIODevice::ReadOnly) ? QSslCertificate(file.readAll()) : QSslCertificate();
    }

    void serve(const QString& path, QByteArray body, qsizetype cutAfter = -1)
    {
        m_responses.insert(path, Response {std::move(body), cutAfter, {}});
    }
    void redirect(const QString& path, const QUrl& location)
    {
        m_responses.insert(path, Response {{}, -1, location.toEncoded()});
    }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                        .arg(m_scheme == Scheme::https ? QStringLiteral("https") : QStringLiteral("http"))
                        .arg(m_server->serverPort())
                        .arg(path));
    }
    int requests(const QString& path) const { return m_requests.value(path); }

private:
    void answer(QTcpSocket* socket)
    {
        QByteArray& pending = m_pending[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n"))
            return;
        const QList<QByteArray> requestLine = pending.left(pending.indexOf("\r\n")).split(' ');
        m_pending.remove(socket);
        const QString path = requestLine.size() >= 2 ? QString::fromLatin1(requestLine.at(1)) : QString();
        ++m_requests[path];
        if (!m_responses.contains(path)) {
            socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        const Response& response = m_responses[path];
        if (!response.location.isEmpty()) {
            socket->write("HTTP/1.1 302 Found\r\nLocation: " + response.location
                + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n");
        socket->write("Content-Length: " + QByteArray::number(response.body.size()) + "\r\n\r\n");
        socket->write(response.cutAfter < 0 ? response.body : response.body.left(response.cutAfter));
        // Closing waits until what was written has gone out; a cut body just ends early.
        socket->disconnectFromHost();
    }

    Scheme m_scheme;
    std::unique_ptr<QTcpServer> m_server;
    QSslConfiguration m_previousDefault;
    QMap<QString, Response> m_responses;
    QMap<QString, int> m_requests;
    QMap<QTcpSocket*, QByteArray> m_pending;
};
