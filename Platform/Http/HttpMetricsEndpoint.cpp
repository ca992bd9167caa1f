#include "Platform/Http/HttpMetricsEndpoint.h"

#include "Platform/Http/HttpRequestHead.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray statusResponse(QByteArrayView status, QByteArrayView extraHeaders = {})
{
    // Error answers carry their status as a short text body, so a person with curl sees why.
    QByteArray body = status.toByteArray();
    body += '\n';
    QByteArray response = "HTTP/1.1 ";
    response += status;
    response += "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: ";
    response += QByteArray::number(body.size());
    response += "\r\n";
    response += extraHeaders;
    response += "Connection: close\r\n\r\n";
    response += body;
    return response;
}

} // namespace

HttpMetricsEndpoint::HttpMetricsEndpoint(QObject* parent)
    : HttpMetricsEndpoint(Limits {}, parent)
{
}

HttpMetricsEndpoint::HttpMetricsEndpoint(Limits limits, QObject* parent)
    : MetricsEndpoint(parent)
    , m_limits(limits)
{
}

HttpMetricsEndpoint::~HttpMetricsEndpoint()
{
    close();
}

void HttpMetricsEndpoint::setContent(const QByteArray& contentType, std::function<QByteArray()> body)
{
    m_contentType = contentType;
    m_body = std::move(body);
}

bool HttpMetricsEndpoint::listen(const QHostAddress& address, quint16 port)
{
    close();
    m_error.clear();
    auto* server = new QTcpServer(this);
    // Connections queue in the kernel only briefly; the limit on open ones is ours.
    server->setMaxPendingConnections(m_limits.connections);
    if (!server->listen(address, port)) {
        m_error = server->errorString();
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QTcpServer::newConnection, this, &HttpMetricsEndpoint::accept);
    return true;
}

void HttpMetricsEndpoint::close()
{
    const QList<QTcpSocket*> sockets = m_connections.keys();
    for (QTcpSocket* socket : sockets)
        drop(socket);
    delete m_server;
    m_server = nullptr;
}

bool HttpMetricsEndpoint::isListening() const
{
    return m_server && m_server->isListening();
}

QHostAddress HttpMetricsEndpoint::address() const
{
    return m_server ? m_server->serverAddress() : QHostAddress();
}

quint16 HttpMetricsEndpoint::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

QString HttpMetricsEndpoint::errorString() const
{
    return m_error;
}

void HttpMetricsEndpoint::accept()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        if (m_connections.size() >= m_limits.connections) {
            // Full: no answer, no buffer, no timer for this one.
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // Qt stops reading from the kernel once this much is buffered, so a client that keeps
        // sending never grows our memory.
        socket->setReadBufferSize(m_limits.requestHead + 1);
        Connection& connection = m_connections[socket];
        connection.deadline = new QTimer(socket);
        connection.deadline->setSingleShot(true);
        connect(connection.deadline, &QTimer::timeout, this, [this, socket] {
            const auto found = m_connections.constFind(socket);
            if (found == m_connections.cend())
                return;
            if (found->answered)
                drop(socket); // the client does not take its answer
            else
                answer(socket, statusResponse("408 Request Timeout"));
        });
        connection.deadline->start(m_limits.requestTimeoutMs);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
            if (socket->state() != QAbstractSocket::ConnectedState)
                drop(socket);
        });
        // Bytes may have come with the connection itself.
        if (socket->bytesAvailable() > 0)
            read(socket);
    }
}

void HttpMetricsEndpoint::read(QTcpSocket* socket)
{
    const auto found = m_connections.find(socket);
    if (found == m_connections.end())
        return;
    Connection& connection = *found;
    if (connection.answered) {
        // Whatever follows the one request is not looked at.
        socket->skip(socket->bytesAvailable());
        return;
    }
    const qsizetype room = m_limits.requestHead + 1 - connection.received.size();
    if (room > 0)
        connection.received += socket->read(room);
    const qsizetype end = HttpRequestHead::endOfHead(connection.received);
    if (end < 0 || end > m_limits.requestHead) {
        if (connection.received.size() > m_limits.requestHead)
            answer(socket, statusResponse("431 Request Header Fields Too Large"));
        return;
    }
    answer(socket,
        respond(QByteArrayView(connection.received).first(end), m_contentType, m_body,
            m_server && m_server->serverAddress().isLoopback()));
}

void HttpMetricsEndpoint::answer(QTcpSocket* socket, const QByteArray& response)
{
    Connection& connection = m_connections[socket];
    connection.answered = true;
    connection.received = QByteArray();
    socket->write(response);
    // The socket closes once the answer is out; a client that never reads it is dropped.
    socket->disconnectFromHost();
    if (m_connections.contains(socket))
        connection.deadline->start(m_limits.responseTimeoutMs);
}

void HttpMetricsEndpoint::drop(QTcpSocket* socket)
{
    if (!m_connections.remove(socket))
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

QByteArray HttpMetricsEndpoint::respond(
    QByteArrayView head, const QByteArray& contentType, const std::function<QByteArray()>& body, bool loopbackOnly)
{
    HttpRequestHead request;
    switch (HttpRequestHead::parse(head, request)) {
    case HttpRequestHead::Problem::malformed:
        return statusResponse("400 Bad Request");
    case HttpRequestHead::Problem::unsupportedVersion:
        return statusResponse("505 HTTP Version Not Supported");
    case HttpRequestHead::Problem::none:
        break;
    }
    // HTTP/1.0 clients may leave the Host out; browsers never do.
    if (loopbackOnly && !request.host.isEmpty() && !HttpRequestHead::isLoopbackHost(request.host))
        return statusResponse("403 Forbidden");
    if (request.path != MetricsEndpoint::path)
        return statusResponse("404 Not Found");
    const bool headOnly = request.method == "HEAD";
    if (request.method != "GET" && !headOnly)
        return statusResponse("405 Method Not Allowed", "Allow: GET, HEAD\r\n");

    const QByteArray document = body ? body() : QByteArray();
    QByteArray response = "HTTP/1.1 200 OK\r\nContent-Type: ";
    response += contentType;
    response += "\r\nContent-Length: ";
    response += QByteArray::number(document.size());
    // Every answer is a fresh reading.
    response += "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    if (!headOnly)
        response += document;
    return response;
}
