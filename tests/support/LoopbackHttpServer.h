#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A tiny HTTP server on 127.0.0.1 for update tests: it answers GET requests for the paths it was
// given and 404 for the rest, one request per connection.
class LoopbackHttpServer : public QObject {
public:
    struct Response {
        QByteArray body;
        // Sends only this many bytes of the body (while announcing all of it), then hangs up, as
        // a connection that breaks in the middle of a download would. Negative: the whole body.
        qsizetype cutAfter = -1;
    };

    LoopbackHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
    }

    void serve(const QString& path, QByteArray body, qsizetype cutAfter = -1)
    {
        m_responses.insert(path, Response {std::move(body), cutAfter});
    }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
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
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n");
        socket->write("Content-Length: " + QByteArray::number(response.body.size()) + "\r\n\r\n");
        socket->write(response.cutAfter < 0 ? response.body : response.body.left(response.cutAfter));
        // Closing waits until what was written has gone out; a cut body just ends early.
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QMap<QString, Response> m_responses;
    QMap<QString, int> m_requests;
    QMap<QTcpSocket*, QByteArray> m_pending;
};
