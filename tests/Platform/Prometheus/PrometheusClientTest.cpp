#include "Platform/Prometheus/PrometheusClient.h"

#include "tests/support/PrometheusAnswers.h"
#include "tests/support/PrometheusFixtureServer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Kind = PrometheusError::Kind;
using Reply = PrometheusFixtureServer::Reply;

const QByteArray oneSample
    = PrometheusAnswers::vector({{{{QStringLiteral("instance"), QStringLiteral("a:9100")}}, QStringLiteral("1")}});

// Runs one query and waits for its answer.
PrometheusResult ask(PrometheusClient& client, const QString& query = QStringLiteral("up"))
{
    std::optional<PrometheusResult> answer;
    client.query(query, [&](const PrometheusResult& result) { answer = result; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 15000));
    return answer.value_or(PrometheusResult {});
}

PrometheusServer serverAt(const QUrl& url)
{
    PrometheusServer server;
    server.baseURL = url;
    return server;
}

TEST(PrometheusClientTest, AsksTheQueryAPIUnderThePathPrefixWithTheCredentials)
{
    PrometheusFixtureServer fixture;
    fixture.answer(oneSample);
    PrometheusClient client;
    PrometheusServer server = serverAt(fixture.baseURL(QStringLiteral("/prom")));
    server.auth = PrometheusServer::Auth::basic;
    server.user = QStringLiteral("reader");
    server.secret = QStringLiteral("pa:ss");
    client.setServer(server);

    const auto result = ask(client, QStringLiteral("up{job=\"node\"} + 1"));
    ASSERT_FALSE(result.error.isError()) << result.error.detail.toStdString();
    ASSERT_EQ(result.vector.size(), 1);
    EXPECT_EQ(fixture.lastRequest().path, "/prom/api/v1/query");
    EXPECT_EQ(fixture.lastRequest().query.queryItemValue("query", QUrl::FullyDecoded), "up{job=\"node\"} + 1");
    EXPECT_EQ(fixture.lastRequest().headers.value("authorization"), "Basic " + QByteArray("reader:pa:ss").toBase64());

    server.auth = PrometheusServer::Auth::bearer;
    server.secret = QStringLiteral("t0ken");
    client.setServer(server);
    std::optional<PrometheusResult> range;
    client.queryRange(QStringLiteral("node_load1"), QDateTime::fromSecsSinceEpoch(1000),
        QDateTime::fromSecsSinceEpoch(4600), 30, [&](const PrometheusResult& r) { range = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return range.has_value(); }, 15000));
    EXPECT_EQ(fixture.lastRequest().path, "/prom/api/v1/query_range");
    EXPECT_EQ(fixture.lastRequest().query.queryItemValue("start"), "1000");
    EXPECT_EQ(fixture.lastRequest().query.queryItemValue("step"), "30");
    EXPECT_EQ(fixture.lastRequest().headers.value("authorization"), "Bearer t0ken");
}

TEST(PrometheusClientTest, NamesWhatWentWrong)
{
    PrometheusFixtureServer fixture;
    PrometheusClient client;
    client.setServer(serverAt(fixture.baseURL()));

    fixture.answer({}, 401);
    auto result = ask(client);
    EXPECT_EQ(result.error.kind, Kind::unauthorized);
    EXPECT_EQ(result.error.httpStatus, 401);

    fixture.answer("<html><body>Welcome to nginx</body></html>");
    EXPECT_EQ(ask(client).error.kind, Kind::notPrometheus);

    fixture.answer("not found", 404);
    result = ask(client);
    EXPECT_EQ(result.error.kind, Kind::notPrometheus);
    EXPECT_EQ(result.error.detail, "HTTP 404");

    // The API's own error answer comes with 400 or 422 and is the server refusing the query.
    fixture.answer(PrometheusAnswers::error(QStringLiteral("bad_data"), QStringLiteral("unexpected }")), 400);
    result = ask(client);
    EXPECT_EQ(result.error.kind, Kind::queryFailed);
    EXPECT_TRUE(result.error.detail.contains("unexpected }"));

    // A port nobody listens on.
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const quint16 port = closed.serverPort();
    closed.close();
    client.setServer(serverAt(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port))));
    EXPECT_EQ(ask(client).error.kind, Kind::unreachable);

    client.setServer(serverAt(QUrl(QStringLiteral("ftp://127.0.0.1"))));
    EXPECT_EQ(ask(client).error.kind, Kind::invalidAddress);
}

TEST(PrometheusClientTest, GivesUpOnSlowAnswersAtTheDeadline)
{
    PrometheusFixtureServer fixture;
    fixture.setHandler([](const auto&) { return Reply {200, oneSample, "application/json", 3000}; });
    PrometheusClient client;
    client.setServer(serverAt(fixture.baseURL()));
    client.setTimeout(std::chrono::milliseconds(300));
    QElapsedTimer timer;
    timer.start();
    const auto result = ask(client);
    EXPECT_EQ(result.error.kind, Kind::unreachable);
    EXPECT_LT(timer.elapsed(), 2500);
}

TEST(PrometheusClientTest, RefusesAnswersLargerThanTheCapWithOrWithoutALength)
{
    PrometheusFixtureServer fixture;
    PrometheusAnswers::Sample sample;
    sample.labels.insert(QStringLiteral("instance"), QStringLiteral("some-rather-long-instance-name:9100"));
    sample.value = QStringLiteral("1");
    const QByteArray big = PrometheusAnswers::vector(QList<PrometheusAnswers::Sample>(2000, sample));
    PrometheusClient client;
    client.setServer(serverAt(fixture.baseURL()));
    client.setMaximumBodySize(10000);
    fixture.answer(big);
    EXPECT_EQ(ask(client).error.kind, Kind::tooLarge);
    fixture.setHandler([&](const auto&) {
        Reply reply {200, big};
        reply.withoutLength = true;
        return reply;
    });
    EXPECT_EQ(ask(client).error.kind, Kind::tooLarge);
    // The same answer under the cap is fine.
    client.setMaximumBodySize(big.size() + 1);
    EXPECT_EQ(ask(client).vector.size(), 2000);
}

TEST(PrometheusClientTest, TrustsASelfSignedServerOnlyByItsFingerprint)
{
    PrometheusFixtureServer fixture(/*tls=*/true);
    fixture.answer(oneSample);
    const QString fingerprint = PrometheusClient::fingerprint(PrometheusFixtureServer::certificate());
    ASSERT_EQ(fingerprint.size(), 64);

    PrometheusClient client;
    PrometheusServer server = serverAt(fixture.baseURL());
    client.setServer(server);
    auto result = ask(client);
    EXPECT_EQ(result.error.kind, Kind::tls);
    EXPECT_EQ(result.error.certificateFingerprint, fingerprint);
    EXPECT_EQ(fixture.requestCount(), 0);

    server.trustedCertificate = QStringLiteral("00") + fingerprint.mid(2);
    client.setServer(server);
    EXPECT_EQ(ask(client).error.kind, Kind::tls);

    // Written as the user might copy it: upper case with colons.
    QString colons;
    for (int i = 0; i < fingerprint.size(); i += 2)
        colons += (i ? QStringLiteral(":") : QString()) + fingerprint.mid(i, 2).toUpper();
    server.trustedCertificate = colons;
    client.setServer(server);
    result = ask(client);
    EXPECT_FALSE(result.error.isError()) << result.error.detail.toStdString();
    EXPECT_EQ(result.vector.size(), 1);
}

TEST(PrometheusClientTest, CancelledRequestsNeverAnswer)
{
    PrometheusFixtureServer fixture;
    fixture.setHandler([](const auto&) { return Reply {200, oneSample, "application/json", 200}; });
    int answers = 0;
    {
        PrometheusClient client;
        client.setServer(serverAt(fixture.baseURL()));
        client.query(QStringLiteral("up"), [&](const PrometheusResult&) { ++answers; });
        client.query(QStringLiteral("up"), [&](const PrometheusResult&) { ++answers; });
        EXPECT_EQ(client.pendingCount(), 2);
        client.cancelAll();
        EXPECT_EQ(client.pendingCount(), 0);
        client.query(QStringLiteral("up"), [&](const PrometheusResult&) { ++answers; });
        // Destroyed with a request in flight.
    }
    QTest::qWait(500);
    EXPECT_EQ(answers, 0);
}

TEST(PrometheusServerTest, ReadsAddressesAsTyped)
{
    EXPECT_EQ(PrometheusServer::parseAddress("prometheus.lan:9090")->toString(), "http://prometheus.lan:9090");
    EXPECT_EQ(PrometheusServer::parseAddress(" HTTPS://h/prom/ ")->toString(), "https://h/prom");
    for (const char* bad :
        {"", "ftp://h", "http://", "http://user:pw@h:9090", "http://h/?q=1", "http://h/#x", "file:///etc"})
        EXPECT_FALSE(PrometheusServer::parseAddress(QString::fromLatin1(bad))) << bad;
}

} // namespace
