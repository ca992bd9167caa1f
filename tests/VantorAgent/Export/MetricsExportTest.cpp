#include "VantorAgent/Export/MetricsExport.h"

#include "Platform/Http/HttpMetricsEndpoint.h"
#include "Platform/Sensors/SMCTransport.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Export/OpenMetricsText.h"
#include "VantorAgent/Sampling/BackgroundJob.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeMetricsEndpoint.h"
#include "tests/support/FixtureTree.h"
#include "tests/support/IsolatedSettings.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace {

void store(const QString& key, const QVariant& value)
{
    SharedSettings::store().setObject(key, value);
}

class MetricsExportTest : public ::testing::Test {
protected:
    MetricsExportTest() { SharedSettings::registerDefaults(); }

    // An export over a fake endpoint; `wanted` follows what it tells the engine.
    void make()
    {
        auto fake = std::make_unique<FakeMetricsEndpoint>();
        endpoint = fake.get();
        exporter = std::make_unique<MetricsExport>(
            std::move(fake), [] { return QByteArrayLiteral("# EOF\n"); }, [this](bool on) { wanted.append(on); });
    }

    IsolatedSettings settings;
    // Before the export: it still reports stopping when it goes.
    QList<bool> wanted;
    FakeMetricsEndpoint* endpoint = nullptr;
    std::unique_ptr<MetricsExport> exporter;
};

} // namespace

TEST_F(MetricsExportTest, ReadsThePortAndAddressSettings)
{
    const auto binding = [] { return MetricsExport::configuredBinding(); };
    const auto problem = [] {
        QString why;
        MetricsExport::configuredBinding(&why);
        return why;
    };

    // Off by default, and off for 0 in any shape, without a complaint.
    EXPECT_FALSE(binding());
    EXPECT_TRUE(problem().isEmpty());
    for (const QVariant& off : {QVariant(0), QVariant(0.0), QVariant(u"0"_s)}) {
        store(SharedSettings::Key::metricsExportPort, off);
        EXPECT_FALSE(binding()) << off.toString().toStdString();
        EXPECT_TRUE(problem().isEmpty());
    }

    // A port alone serves on the loopback address.
    store(SharedSettings::Key::metricsExportPort, 9101);
    ASSERT_TRUE(binding());
    EXPECT_EQ(*binding(), (MetricsExport::Binding {QHostAddress(QHostAddress::LocalHost), 9101}));
    for (const QVariant& same : {QVariant(9101.0), QVariant(u" 9101 "_s), QVariant(qint64(9101))}) {
        store(SharedSettings::Key::metricsExportPort, same);
        ASSERT_TRUE(binding()) << same.toString().toStdString();
        EXPECT_EQ(binding()->port, 9101);
    }

    // Whatever is not a port is refused, with a reason; nothing is served somewhere unasked.
    for (const QVariant& bad : {QVariant(-1), QVariant(65536), QVariant(9101.5), QVariant(true), QVariant(u"http"_s),
             QVariant(QStringList {u"9101"_s})}) {
        store(SharedSettings::Key::metricsExportPort, bad);
        EXPECT_FALSE(binding()) << bad.toString().toStdString();
        EXPECT_FALSE(problem().isEmpty()) << bad.toString().toStdString();
    }

    store(SharedSettings::Key::metricsExportPort, 9101);
    struct Case {
        QString text;
        std::optional<QHostAddress> address;
    };
    for (const Case& c : std::vector<Case> {
             {u""_s, QHostAddress(QHostAddress::LocalHost)},
             {u"  "_s, QHostAddress(QHostAddress::LocalHost)},
             {u"localhost"_s, QHostAddress(QHostAddress::LocalHost)},
             {u"0.0.0.0"_s, QHostAddress(QHostAddress::AnyIPv4)},
             {u"192.168.1.20"_s, QHostAddress(u"192.168.1.20"_s)},
             {u"[::1]"_s, QHostAddress(QHostAddress::LocalHostIPv6)},
             {u"::"_s, QHostAddress(QHostAddress::AnyIPv6)},
             {u"server.example"_s, std::nullopt},
             {u"127.0.0.1:9100"_s, std::nullopt},
             {u"300.1.1.1"_s, std::nullopt},
         }) {
        store(SharedSettings::Key::metricsExportAddress, c.text);
        const auto found = binding();
        EXPECT_EQ(found.has_value(), c.address.has_value()) << c.text.toStdString();
        if (found && c.address) {
            EXPECT_EQ(found->address, *c.address) << c.text.toStdString();
        }
        EXPECT_EQ(problem().isEmpty(), c.address.has_value()) << c.text.toStdString();
    }
    // An address of the wrong shape counts as none.
    store(SharedSettings::Key::metricsExportAddress, 12);
    ASSERT_TRUE(binding());
    EXPECT_EQ(binding()->address, QHostAddress(QHostAddress::LocalHost));
}

TEST_F(MetricsExportTest, FollowsTheSettingsLive)
{
    make();
    EXPECT_EQ(endpoint->contentType, OpenMetricsText::contentType);
    exporter->apply();
    EXPECT_FALSE(exporter->isServing());
    EXPECT_TRUE(endpoint->listens.isEmpty());
    EXPECT_TRUE(wanted.isEmpty()) << "nothing asked of the engine while off";

    store(SharedSettings::Key::metricsExportPort, 9101);
    exporter->apply();
    EXPECT_TRUE(exporter->isServing());
    ASSERT_EQ(endpoint->listens.size(), 1);
    EXPECT_EQ(endpoint->listens[0].address, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(endpoint->listens[0].port, 9101);
    EXPECT_EQ(wanted, QList<bool> {true});

    // Another settings signal with nothing changed for the export keeps its connections.
    store(SharedSettings::Key::meterStyle, u"wave"_s);
    exporter->apply();
    EXPECT_EQ(endpoint->listens.size(), 1);
    EXPECT_EQ(endpoint->closes, 0);

    // A new port or address moves it.
    store(SharedSettings::Key::metricsExportPort, 9102);
    exporter->apply();
    store(SharedSettings::Key::metricsExportAddress, u"0.0.0.0"_s);
    exporter->apply();
    ASSERT_EQ(endpoint->listens.size(), 3);
    EXPECT_EQ(endpoint->listens[1].port, 9102);
    EXPECT_EQ(endpoint->listens[2].address, QHostAddress(QHostAddress::AnyIPv4));
    EXPECT_EQ(wanted, QList<bool> {true}) << "still serving throughout";

    // A bad address stops it rather than leaving it where it was.
    store(SharedSettings::Key::metricsExportAddress, u"server.example"_s);
    exporter->apply();
    EXPECT_FALSE(exporter->isServing());
    EXPECT_EQ(wanted, (QList<bool> {true, false}));

    store(SharedSettings::Key::metricsExportAddress, u""_s);
    exporter->apply();
    EXPECT_TRUE(exporter->isServing());
    store(SharedSettings::Key::metricsExportPort, 0);
    exporter->apply();
    EXPECT_FALSE(exporter->isServing());
    EXPECT_FALSE(exporter->binding());
    EXPECT_EQ(wanted, (QList<bool> {true, false, true, false}));
}

TEST_F(MetricsExportTest, TriesABusyPortAgain)
{
    make();
    endpoint->busyPorts = {9101};
    store(SharedSettings::Key::metricsExportPort, 9101);
    exporter->apply();
    EXPECT_FALSE(exporter->isServing());
    EXPECT_TRUE(wanted.isEmpty());
    // The port comes free: the retry takes it without a settings signal.
    endpoint->busyPorts.clear();
    const auto* retry = exporter->findChild<QTimer*>();
    ASSERT_NE(retry, nullptr);
    EXPECT_TRUE(retry->isActive());
    QMetaObject::invokeMethod(const_cast<QTimer*>(retry), "timeout", Qt::DirectConnection);
    EXPECT_TRUE(exporter->isServing());
    EXPECT_FALSE(retry->isActive());
    EXPECT_EQ(wanted, QList<bool> {true});
}

TEST_F(MetricsExportTest, ServesTheEnginesReadingsOverHttp)
{
    // A port that is free now.
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    store(SharedSettings::Key::metricsExportPort, int(port));

    FixtureTree proc(u"proc-sample"_s);
    FixtureTree sys;
    SystemMonitor::Sources sources;
    sources.procRoot = proc.root();
    sources.sysRoot = sys.root();
    sources.startTimer = false;
    sources.sensorTransport = [] { return std::unique_ptr<SMCTransport>(); };
    sources.storageQuery = [] { return std::optional<VolumeInfo>(VolumeInfo {4000, 1000, u"Root"_s}); };
    SystemMonitor monitor(sources);
    // The first cycle's storage query comes back.
    for (int i = 0; i < 4; ++i)
        BackgroundJob::drainForTesting();
    EXPECT_FALSE(monitor.samplesAllSensors());

    MetricsExport exporter(std::make_unique<HttpMetricsEndpoint>(), monitor);
    exporter.apply();
    ASSERT_TRUE(exporter.isServing()) << exporter.endpoint().errorString().toStdString();
    // While serving, the engine reads every sensor and the battery whatever the meters show.
    EXPECT_TRUE(monitor.samplesAllSensors());
    EXPECT_EQ(monitor.plan().smcScope, SamplingPlan::SMCScope::full);
    EXPECT_TRUE(monitor.plan().samplesBattery);

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.state() == QAbstractSocket::ConnectedState; }, 3000));
    client.write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    (void)QTest::qWaitFor(
        [&] {
            answer += client.readAll();
            return client.state() == QAbstractSocket::UnconnectedState;
        },
        3000);
    answer += client.readAll();
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n")) << answer.left(200).constData();
    EXPECT_TRUE(answer.contains("\r\nContent-Type: application/openmetrics-text; version=1.0.0; charset=utf-8\r\n"));
    // The engine's own figures: the fixture's memory and the volume its query gave.
    EXPECT_TRUE(
        answer.contains(QByteArray("\nvantor_memory_total_bytes ") + QByteArray::number(monitor.totalMemory()) + '\n'));
    EXPECT_TRUE(answer.contains("\nvantor_storage_total_bytes 4000\n"));
    EXPECT_TRUE(answer.endsWith("\n# EOF\n"));

    store(SharedSettings::Key::metricsExportPort, 0);
    exporter.apply();
    EXPECT_FALSE(exporter.isServing());
    EXPECT_FALSE(monitor.samplesAllSensors());
}
