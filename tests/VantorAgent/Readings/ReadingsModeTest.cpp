#include "VantorAgent/Readings/ReadingsMode.h"
#include "VantorAgent/Readings/ReadingsDocument.h"
#include "VantorAgent/Sampling/SystemMonitor.h"
#include "tests/support/FixtureTree.h"
#include "tests/support/IsolatedSettings.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

TEST(ReadingsModeTest, ReadsItsOptions)
{
    const QString existing = QDir::tempPath();
    EXPECT_FALSE(ReadingsMode::parse({}).requested);
    const auto options
        = ReadingsMode::parse({u"--readings"_s, u"--proc-root"_s, existing, u"--sys-root="_s + existing});
    EXPECT_TRUE(options.requested);
    EXPECT_TRUE(options.error.isEmpty());
    EXPECT_EQ(options.procRoot, existing);
    EXPECT_EQ(options.sysRoot, existing);
    EXPECT_EQ(ReadingsMode::parse({u"--readings"_s}).procRoot, u"/proc"_s);

    for (const QStringList& bad : {QStringList {u"--readings"_s, u"--proc-root"_s},
             QStringList {u"--readings"_s, u"--sys-root"_s, u"/nonexistent"_s}, QStringList {u"--verbose"_s},
             QStringList {u"--readings=yes"_s}})
        EXPECT_FALSE(ReadingsMode::parse(bad).error.isEmpty()) << bad.join(u' ').toStdString();

    char program[] = "VantorAgent", flag[] = "--readings", other[] = "--x";
    char* with[] = {program, other, flag, nullptr};
    char* without[] = {program, other, nullptr};
    EXPECT_TRUE(ReadingsMode::requested(3, with));
    EXPECT_FALSE(ReadingsMode::requested(2, without));
}

TEST(ReadingsModeTest, SamplesEverySectionAndWritesEveryReading)
{
    IsolatedSettings settings;
    FixtureTree proc(QStringLiteral("proc-processes"));
    for (const char* name : {"meminfo", "vmstat", "cpuinfo"})
        proc.write(QString::fromLatin1(name), [&] {
            QFile file(QStringLiteral(VANTOR_TEST_DATA "/proc-sample/") + QString::fromLatin1(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }());
    FixtureTree sys(QStringLiteral("sys-gpu"));
    SystemMonitor::Sources sources;
    sources.procRoot = proc.root();
    sources.sysRoot = sys.root();
    sources.startTimer = false;
    sources.storageQuery = [] { return std::optional<VolumeInfo>(VolumeInfo {4000, 1000, u"Root"_s}); };
    SystemMonitor monitor(sources);
    ReadingsMode::sample(monitor, 0.1);

    EXPECT_EQ(monitor.openPopovers().size(), 4);
    EXPECT_GE(monitor.processScanCount(), 2);

    const QJsonObject document = QJsonDocument::fromJson(ReadingsDocument::text(monitor)).object();
    EXPECT_EQ(document[u"memory"_s][u"total"_s].toInteger(), 16000000 * 1024LL);
    EXPECT_EQ(document[u"memory"_s][u"used"_s].toInteger(), (16000000 - 9000000) * 1024LL);
    // Paging is a byte rate, and its names say so.
    EXPECT_TRUE(document[u"memory"_s].toObject().contains(u"pageInBytesPerSecond"_s));
    EXPECT_TRUE(document[u"memory"_s].toObject().contains(u"pageOutBytesPerSecond"_s));
    EXPECT_FALSE(document[u"memory"_s].toObject().contains(u"pageInsPerSecond"_s));
    EXPECT_EQ(document[u"processor"_s][u"chipName"_s].toString(), u"Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz"_s);
    EXPECT_EQ(document[u"storage"_s][u"volumeName"_s].toString(), u"Root"_s);
    EXPECT_DOUBLE_EQ(document[u"storage"_s][u"usage"_s].toDouble(), 0.75);
    // The fixture's awake amdgpu card.
    EXPECT_DOUBLE_EQ(document[u"gpu"_s][u"usage"_s].toDouble(), 0.37);
    EXPECT_EQ(document[u"gpu"_s][u"inUseMemory"_s].toInteger(), 1073741824LL + 52428800LL);
    EXPECT_TRUE(document[u"gpu"_s][u"rendererUsage"_s].isNull());
    const QJsonArray byMemory = document[u"processes"_s][u"byMemory"_s].toArray();
    ASSERT_EQ(byMemory.size(), 5);
    EXPECT_EQ(byMemory[0][u"name"_s].toString(), u"systemd"_s);
    EXPECT_EQ(byMemory[0][u"memory"_s].toInteger(), 3000LL * 4096);
    for (const char* key : {"temperatures", "sensorGroups", "fans", "power"})
        EXPECT_TRUE(document[QString::fromLatin1(key)].isArray()) << key;
    EXPECT_TRUE(document.contains(u"battery"_s));
    EXPECT_FALSE(document[u"thermalState"_s].toString().isEmpty());
}
