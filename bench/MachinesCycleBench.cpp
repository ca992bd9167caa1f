// What watching ten other machines costs the agent: one query cycle of the machines monitor
// against a loopback server answering as Prometheus would (request, transfer, parse, assemble,
// sort), the main-thread part of it alone, and in the same run the baseline of `top` taking one
// snapshot of this machine. The processor time per cycle is reported too, and what it comes to
// at the pace of a shown meter (one cycle every 15 s).

#include "Platform/Prometheus/PrometheusResponse.h"
#include "Platform/Settings/PreferencesDomain.h"
#include "VantorAgent/Machines/MachinesMonitor.h"
#include "VantorShared/Machines/MachineQueries.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeSecretStore.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

constexpr int machineCount = 10;

QByteArray tenMachines()
{
    QJsonArray result;
    const char* parts[] = {"up", "cpu", "memory", "disk", "temperature", "load1", "uptime", "uname"};
    for (int m = 0; m < machineCount; ++m) {
        for (const char* part : parts) {
            QJsonObject metric {{"instance", QStringLiteral("host-%1.example.org:9100").arg(m)},
                {"vantor_part", QString::fromLatin1(part)}, {"job", "node"}};
            if (QByteArray(part) == "uname")
                metric.insert("nodename", QStringLiteral("host-%1").arg(m));
            result.append(QJsonObject {
                {"metric", metric}, {"value", QJsonArray {1700000000.123, QStringLiteral("0.%1").arg(m + 10)}}});
        }
    }
    return QJsonDocument(
        QJsonObject {{"status", "success"}, {"data", QJsonObject {{"resultType", "vector"}, {"result", result}}}})
        .toJson(QJsonDocument::Compact);
}

double processorSeconds(int who = RUSAGE_SELF)
{
    rusage usage {};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Answers every request with the same body, keeping connections open as Prometheus does.
class Server : public QObject {
public:
    explicit Server(QByteArray body)
        : m_body(std::move(body))
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_pending[socket] += socket->readAll();
                    if (!m_pending[socket].contains("\r\n\r\n"))
                        return;
                    m_pending.remove(socket);
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: "
                        + QByteArray::number(m_body.size()) + "\r\n\r\n" + m_body);
                });
            }
        });
    }
    quint16 port() const { return m_server.serverPort(); }

private:
    QTcpServer m_server;
    QByteArray m_body;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

void parseAndAssemble(benchmark::State& state)
{
    const QByteArray body = tenMachines();
    const MachineThresholds thresholds;
    for (auto _ : state) {
        QList<MachineStatus> machines = MachineQueries::machinesFromSummary(PrometheusResponse::parse(body));
        thresholds.sort(machines);
        benchmark::DoNotOptimize(machines.data());
    }
    state.counters["bytes"] = double(body.size());
}
BENCHMARK(parseAndAssemble)->Unit(benchmark::kMicrosecond);

void queryCycle(benchmark::State& state)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("VANTOR_SETTINGS_SUITE", "bench.machines");
    Server server(tenMachines());
    SharedSettings::registerDefaults();
    SharedSettings::store().setString(
        SharedSettings::Key::machinesServer, QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    FakeSecretStore secrets;
    MachinesMonitor monitor(secrets);
    monitor.applySettings();
    int answers = 0;
    QObject::connect(&monitor, &MachinesMonitor::changed, [&] { ++answers; });
    while (!monitor.hasAnswered())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (monitor.lastError().isError()) {
        state.SkipWithError(monitor.lastError().detail.toStdString().c_str());
        return;
    }
    const double cpuBefore = processorSeconds();
    for (auto _ : state) {
        const int before = answers;
        monitor.refreshNow();
        while (answers == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const double perCycle = (processorSeconds() - cpuBefore) / double(state.iterations());
    state.counters["machines"] = double(monitor.machines().size());
    state.counters["cpu_ms_per_cycle"] = perCycle * 1000;
    // The share of one core at one cycle every 15 s (a shown meter, panel closed).
    state.counters["cpu_percent_at_15s"] = perCycle / 15.0 * 100;
}
BENCHMARK(queryCycle)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline: `top` taking one snapshot of this machine, as someone checking it would.
void topSnapshot(benchmark::State& state)
{
    const double cpuBefore = processorSeconds(RUSAGE_CHILDREN);
    for (auto _ : state) {
        QProcess top;
        top.start(QStringLiteral("top"), {QStringLiteral("-b"), QStringLiteral("-n"), QStringLiteral("1")});
        top.waitForFinished(10000);
        benchmark::DoNotOptimize(top.readAllStandardOutput().size());
    }
    state.counters["cpu_ms_per_snapshot"]
        = (processorSeconds(RUSAGE_CHILDREN) - cpuBefore) / double(state.iterations()) * 1000;
}
BENCHMARK(topSnapshot)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
