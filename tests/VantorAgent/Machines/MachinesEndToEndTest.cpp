#include "VantorAgent/Machines/MachinesMonitor.h"

#include "Platform/Settings/PreferencesDomain.h"
#include "VantorShared/Settings/SharedSettings.h"
#include "tests/support/FakeSecretStore.h"
#include "tests/support/IsolatedSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QHostInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

// Against a real Prometheus and node_exporter of this machine on 127.0.0.1, started by
// tools/local-prometheus.sh: the figures the machines meter gets for this machine must agree with
// what the agent itself reads.
namespace {

QString script()
{
    const QByteArray overridden = qgetenv("VANTOR_LOCAL_PROMETHEUS");
    return overridden.isEmpty() ? QStringLiteral(VANTOR_SOURCE_DIR "/tools/local-prometheus.sh")
                                : QString::fromLocal8Bit(overridden);
}

// The busy and total processor seconds of /proc/stat's first line, as the agent counts them.
std::pair<double, double> processorTicks()
{
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return {0, 0};
    const QList<QByteArray> fields = file.readLine().simplified().split(' ');
    double total = 0;
    double idle = 0;
    for (qsizetype i = 1; i < fields.size() && i <= 8; ++i) {
        total += fields[i].toDouble();
        if (i == 4 || i == 5)
            idle += fields[i].toDouble();
    }
    return {total - idle, total};
}

class MachinesEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo(script()).isExecutable())
            GTEST_SKIP() << "no " << script().toStdString();
        QProcess start;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LOCAL_PROMETHEUS_WATCH_PARENT"), QStringLiteral("1"));
        start.setProcessEnvironment(environment);
        start.start(script(), {QStringLiteral("start"), folder.path()});
        ASSERT_TRUE(start.waitForFinished(90000));
        ASSERT_EQ(start.exitCode(), 0) << start.readAllStandardError().toStdString();
        const QList<QByteArray> lines = start.readAllStandardOutput().trimmed().split('\n');
        url = QString::fromUtf8(lines.last().trimmed());
        ASSERT_TRUE(url.startsWith(QStringLiteral("http://127.0.0.1:"))) << url.toStdString();
        started = true;
    }
    void TearDown() override
    {
        if (started)
            QProcess::execute(script(), {QStringLiteral("stop"), folder.path()});
    }

    QTemporaryDir folder;
    QString url;
    bool started = false;
};

TEST_F(MachinesEndToEndTest, ThisMachineThroughPrometheusAgreesWithOurOwnReadings)
{
    IsolatedSettings isolated;
    SharedSettings::registerDefaults();
    SharedSettings::store().setString(SharedSettings::Key::machinesServer, url);
    FakeSecretStore secrets;
    MachinesMonitor monitor(secrets);
    monitor.applySettings();
    monitor.setPanelOpen(true);

    // A rate needs two collections; they come every 2 s.
    const auto ready = [&] {
        return monitor.machines().size() == 1 && monitor.machines()[0].up && monitor.machines()[0].cpu
            && monitor.machines()[0].memory && monitor.machines()[0].disk;
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (!ready())
                monitor.refreshNow();
            return ready();
        },
        40000))
        << monitor.lastError().detail.toStdString();
    const MachineStatus machine = monitor.machines()[0];
    EXPECT_EQ(machine.nodename, QHostInfo::localHostName());
    EXPECT_GE(*machine.cpu, 0.0);
    EXPECT_LE(*machine.cpu, 1.0);
    ASSERT_TRUE(machine.uptimeSeconds);

    // Processor: our own count over half a minute against the server's over the same span.
    const auto before = processorTicks();
    QTest::qWait(30000);
    const auto after = processorTicks();
    const QDateTime end = QDateTime::currentDateTimeUtc();
    const double ours = (after.first - before.first) / std::max(1.0, after.second - before.second);
    std::optional<PrometheusResult> answer;
    monitor.client().queryRange(
        QStringLiteral("1 - sum(increase(node_cpu_seconds_total{mode=~\"idle|iowait\",job=\"node\"}[30s]))"
                       " / sum(increase(node_cpu_seconds_total{job=\"node\"}[30s]))"),
        end, end, 1, [&](const PrometheusResult& result) { answer = result; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 15000));
    ASSERT_FALSE(answer->error.isError()) << answer->error.detail.toStdString();
    ASSERT_FALSE(answer->matrix.isEmpty());
    EXPECT_NEAR(answer->matrix[0].points.last().value, ours, 0.05);

    // Memory and disk: the agent's own snapshot, which lists this machine among the others too.
    QProcess readings;
    readings.start(QStringLiteral(VANTOR_AGENT_BUNDLE "/Contents/MacOS/VantorAgent"), {QStringLiteral("--readings")});
    ASSERT_TRUE(readings.waitForFinished(60000));
    ASSERT_EQ(readings.exitCode(), 0) << readings.readAllStandardError().toStdString();
    const QJsonObject document = QJsonDocument::fromJson(readings.readAllStandardOutput()).object();
    const QJsonArray machines = document.value(QStringLiteral("machines")).toArray();
    ASSERT_EQ(machines.size(), 1) << document.value(QStringLiteral("machinesError")).toString().toStdString();
    const QJsonObject listed = machines[0].toObject();
    EXPECT_TRUE(listed.value(QStringLiteral("up")).toBool());
    EXPECT_EQ(listed.value(QStringLiteral("name")).toString(), QHostInfo::localHostName());
    EXPECT_TRUE(listed.contains(QStringLiteral("hottestCelsius")));
    const double memory = document.value(QStringLiteral("memory")).toObject().value(QStringLiteral("usage")).toDouble();
    const double disk = document.value(QStringLiteral("storage")).toObject().value(QStringLiteral("usage")).toDouble();
    EXPECT_NEAR(listed.value(QStringLiteral("memory")).toDouble(), memory, 0.01);
    EXPECT_NEAR(listed.value(QStringLiteral("disk")).toDouble(), disk, 0.01);
}

} // namespace
