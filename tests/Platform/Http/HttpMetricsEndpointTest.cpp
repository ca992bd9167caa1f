#include "Platform/Http/HttpMetricsEndpoint.h"
#include "Platform/Http/HttpRequestHead.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const QByteArray type = QByteArrayLiteral("application/openmetrics-text; version=1.0.0; charset=utf-8");

// A client on the test's own thread: the server answers only while the test's event loop runs.
struct Client {
    explicit Client(quint16 port) { socket.connectToHost(QHostAddress::LocalHost, port); }
    bool waitConnected()
    {
        return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 3000);
    }
    // Everything the server sent until it closed the connection.
    QByteArray receiveAll(int timeoutMs = 3000)
    {
        (void)QTest::qWaitFor(
            [&] {
                received += socket.readAll();
                return socket.state() == QAbstractSocket::UnconnectedState;
            },
            timeoutMs);
        received += socket.readAll();
        return received;
    }
    QTcpSocket socket;
    QByteArray received;
};

} // namespace

TEST(HttpMetricsEndpointTest, AnswersOnlyAPlainGetOrHeadOfTheMetricsPath)
{
    int made = 0;
    const std::function<QByteArray()> body = [&] {
        ++made;
        return QByteArrayLiteral("x 1\n# EOF\n");
    };
    const auto respond = [&](const char* head) { return HttpMetricsEndpoint::respond(head, type, body); };

    const QByteArray ok = respond("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1:9100\r\nAccept: */*\r\n\r\n");
    EXPECT_TRUE(ok.startsWith("HTTP/1.1 200 OK\r\n")) << ok.constData();
    EXPECT_TRUE(ok.contains("\r\nContent-Type: " + type + "\r\n"));
    EXPECT_TRUE(ok.contains("\r\nContent-Length: 10\r\n"));
    EXPECT_TRUE(ok.contains("\r\nConnection: close\r\n"));
    EXPECT_TRUE(ok.endsWith("\r\n\r\nx 1\n# EOF\n"));
    EXPECT_EQ(made, 1);

    // A query does not change the document; HEAD gets the length without the body.
    EXPECT_TRUE(respond("GET /metrics?name[]=up HTTP/1.0\n\n").startsWith("HTTP/1.1 200 OK"));
    const QByteArray head = respond("HEAD /metrics HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(head.contains("Content-Length: 10\r\n"));
    EXPECT_TRUE(head.endsWith("\r\n\r\n"));
    made = 0;

    struct Case {
        const char* head;
        const char* status;
    };
    for (const Case& c : std::vector<Case> {
             {"GET / HTTP/1.1\r\n\r\n", "404 Not Found"},
             {"GET /metrics/ HTTP/1.1\r\n\r\n", "404 Not Found"},
             {"GET /METRICS HTTP/1.1\r\n\r\n", "404 Not Found"},
             {"GET http://127.0.0.1/metrics HTTP/1.1\r\n\r\n", "404 Not Found"},
             {"POST /metrics HTTP/1.1\r\nContent-Length: 3\r\n\r\n", "405 Method Not Allowed"},
             {"DELETE /metrics HTTP/1.1\r\n\r\n", "405 Method Not Allowed"},
             {"get /metrics HTTP/1.1\r\n\r\n", "405 Method Not Allowed"},
             {"GET /metrics HTTP/2.0\r\n\r\n", "505 HTTP Version Not Supported"},
             {"GET /metrics SPDY/3\r\n\r\n", "505 HTTP Version Not Supported"},
             {"GET /metrics\r\n\r\n", "400 Bad Request"},
             {"GET  /metrics HTTP/1.1\r\n\r\n", "400 Bad Request"},
             {"GET /met rics HTTP/1.1\r\n\r\n", "400 Bad Request"},
             {"GET /metrics HTTP/1.1 \r\n\r\n", "400 Bad Request"},
             {"G(T /metrics HTTP/1.1\r\n\r\n", "400 Bad Request"},
             {"GET /metrics HTTP/1.1\r\nNo colon here\r\n\r\n", "400 Bad Request"},
             {"GET /metrics HTTP/1.1\r\nHost: a\r\n folded: b\r\n\r\n", "400 Bad Request"},
             {"GET /metrics HTTP/1.1\r\n: empty name\r\n\r\n", "400 Bad Request"},
             {"\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n", "400 Bad Request"},
             {"\r\n\r\n", "400 Bad Request"},
         }) {
        const QByteArray answer = respond(c.head);
        EXPECT_TRUE(answer.startsWith(QByteArray("HTTP/1.1 ") + c.status)) << c.head << " -> " << answer.constData();
        EXPECT_TRUE(answer.contains("Connection: close\r\n"));
    }
    EXPECT_TRUE(respond("PUT /metrics HTTP/1.1\r\n\r\n").contains("\r\nAllow: GET, HEAD\r\n"));
    EXPECT_EQ(made, 0) << "the document is made only for a request that gets it";

    // On the loopback address only requests for a loopback name are answered, so a web page whose
    // own name resolves to 127.0.0.1 cannot read the readings through the visitor's browser.
    const auto local = [&](const char* host) {
        return HttpMetricsEndpoint::respond(
            QByteArray("GET /metrics HTTP/1.1\r\nhOsT: ") + host + "\r\n\r\n", type, body, true)
            .left(12);
    };
    for (const char* host : {"127.0.0.1:9101", "127.0.0.1", "127.3.4.5:80", "localhost:9101", "LocalHost", "[::1]:9101",
             "[::1]", " 127.0.0.1:9101 "})
        EXPECT_EQ(local(host), "HTTP/1.1 200") << host;
    for (const char* host : {"attacker.example:9101", "127.0.0.1.attacker.example", "127.0.0", "127.0.0.1.",
             "[::2]:9101", "[::1", "[::1]x", "0x7f.0.0.1", "1270.0.0.1", "127.0.0.1000"})
        EXPECT_EQ(local(host), "HTTP/1.1 403") << host;
    EXPECT_TRUE(
        HttpMetricsEndpoint::respond("GET /metrics HTTP/1.0\r\n\r\n", type, body, true).startsWith("HTTP/1.1 200"));
    EXPECT_TRUE(respond("GET /metrics HTTP/1.1\r\nHost: server.lan:9101\r\n\r\n").startsWith("HTTP/1.1 200"))
        << "an endpoint on another address is reached by whatever name the network gives it";

    EXPECT_EQ(HttpRequestHead::endOfHead("GET / HTTP/1.1\r\nA: b\r\n\r\nbody"), 24);
    EXPECT_EQ(HttpRequestHead::endOfHead("GET / HTTP/1.1\nA: b\n\n"), 21);
    EXPECT_EQ(HttpRequestHead::endOfHead("GET / HTTP/1.1\r\nA: b\r\n"), -1);
}

TEST(HttpMetricsEndpointTest, ServesOverTcpAndClosesEachConnection)
{
    HttpMetricsEndpoint endpoint;
    int made = 0;
    endpoint.setContent(type, [&] { return QByteArray("x ") + QByteArray::number(++made) + "\n# EOF\n"; });
    ASSERT_TRUE(endpoint.listen(QHostAddress::LocalHost, 0)) << endpoint.errorString().toStdString();
    EXPECT_TRUE(endpoint.isListening());
    EXPECT_EQ(endpoint.address(), QHostAddress(QHostAddress::LocalHost));
    ASSERT_NE(endpoint.port(), 0);

    for (int request = 1; request <= 2; ++request) {
        Client client(endpoint.port());
        ASSERT_TRUE(client.waitConnected());
        // The request in two pieces, as a slow network would bring it.
        client.socket.write("GET /metrics HTTP/1.1\r\nHost: loc");
        QTest::qWait(20);
        client.socket.write("alhost\r\n\r\n");
        const QByteArray answer = client.receiveAll();
        EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n")) << answer.constData();
        EXPECT_TRUE(answer.endsWith("x " + QByteArray::number(request) + "\n# EOF\n"));
        EXPECT_EQ(client.socket.state(), QAbstractSocket::UnconnectedState) << "one request per connection";
    }
    {
        Client client(endpoint.port());
        ASSERT_TRUE(client.waitConnected());
        client.socket.write("GET /metrics HTTP/1.1\r\nHost: rebound.example:80\r\n\r\n");
        EXPECT_TRUE(client.receiveAll().startsWith("HTTP/1.1 403 "));
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return endpoint.connectionCount() == 0; }, 2000));

    // A second endpoint cannot take the same port; closing frees it.
    HttpMetricsEndpoint rival;
    EXPECT_FALSE(rival.listen(QHostAddress::LocalHost, endpoint.port()));
    EXPECT_FALSE(rival.isListening());
    EXPECT_FALSE(rival.errorString().isEmpty());
    const quint16 port = endpoint.port();
    endpoint.close();
    EXPECT_FALSE(endpoint.isListening());
    EXPECT_TRUE(rival.listen(QHostAddress::LocalHost, port)) << rival.errorString().toStdString();
}

TEST(HttpMetricsEndpointTest, StandsFloodsOversizedAndSilentClients)
{
    HttpMetricsEndpoint::Limits limits;
    limits.connections = 3;
    limits.requestHead = 1024;
    limits.requestTimeoutMs = 300;
    limits.responseTimeoutMs = 300;
    HttpMetricsEndpoint endpoint(limits);
    endpoint.setContent(type, [] { return QByteArrayLiteral("x 1\n# EOF\n"); });
    ASSERT_TRUE(endpoint.listen(QHostAddress::LocalHost, 0));

    // A head that never ends is cut off at the limit.
    {
        Client client(endpoint.port());
        ASSERT_TRUE(client.waitConnected());
        client.socket.write("GET /metrics HTTP/1.1\r\n");
        client.socket.write("X-Filler: " + QByteArray(4096, 'a') + "\r\n");
        EXPECT_TRUE(client.receiveAll().startsWith("HTTP/1.1 431 "));
    }

    // Silent connections fill the limit; those beyond it are closed at once, and the silent ones
    // are answered 408 when their time is up. Then the endpoint serves again.
    std::vector<std::unique_ptr<Client>> silent;
    for (int i = 0; i < limits.connections + 3; ++i) {
        silent.push_back(std::make_unique<Client>(endpoint.port()));
        QTest::qWait(10);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return endpoint.connectionCount() == limits.connections; }, 2000));
    EXPECT_LE(endpoint.connectionCount(), limits.connections);
    int timedOut = 0;
    for (auto& client : silent)
        if (client->receiveAll(2000).startsWith("HTTP/1.1 408 "))
            ++timedOut;
    EXPECT_EQ(timedOut, limits.connections);
    for (auto& client : silent)
        EXPECT_EQ(client->socket.state(), QAbstractSocket::UnconnectedState);
    EXPECT_TRUE(QTest::qWaitFor([&] { return endpoint.connectionCount() == 0; }, 2000));

    // A client that sends its request and keeps sending never grows the server's buffers and is
    // let go.
    {
        Client greedy(endpoint.port());
        ASSERT_TRUE(greedy.waitConnected());
        greedy.socket.write("GET /metrics HTTP/1.1\r\n\r\n" + QByteArray(256 * 1024, 'z'));
        greedy.receiveAll(2000);
        EXPECT_EQ(greedy.socket.state(), QAbstractSocket::UnconnectedState);
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return endpoint.connectionCount() == 0; }, 2000));

    Client after(endpoint.port());
    ASSERT_TRUE(after.waitConnected());
    after.socket.write("GET /metrics HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(after.receiveAll().startsWith("HTTP/1.1 200 OK"));

    // Closing the endpoint drops whoever is still connected.
    Client lingering(endpoint.port());
    ASSERT_TRUE(lingering.waitConnected());
    EXPECT_TRUE(QTest::qWaitFor([&] { return endpoint.connectionCount() == 1; }, 2000));
    endpoint.close();
    EXPECT_EQ(endpoint.connectionCount(), 0);
    lingering.receiveAll(1000);
    EXPECT_EQ(lingering.socket.state(), QAbstractSocket::UnconnectedState);
}
