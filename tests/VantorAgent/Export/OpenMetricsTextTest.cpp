#include "VantorAgent/Export/OpenMetricsText.h"
#include "VantorAgent/Export/ExportReadings.h"

#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <limits>

namespace {

ExportReadings fullReadings()
{
    ExportReadings r;
    r.cpuUsage = 0.375;
    r.userCPUUsage = 0.25;
    r.systemCPUUsage = 0.125;
    r.coreUsages = {0.5, 0.25, 1, 0};
    r.loadAverages = {1.5, 0.75, 0.1};
    r.totalMemory = 17179869184ULL;
    r.usedMemory = 8589934592ULL;
    r.wiredMemory = 1073741824ULL;
    r.activeMemory = 7516192768ULL;
    r.compressedMemory = 0;
    r.cacheMemory = 4294967296ULL;
    r.pageInsPerSecond = 4096;
    r.pageOutsPerSecond = std::numeric_limits<quint64>::max();
    r.swapTotal = 2147483648ULL;
    r.swapUsed = 1048576;
    r.memoryUsage = 0.5;
    r.memoryPressure = 0.0625;
    r.memoryPressureLevel = MemoryPressureLevel::warning;
    r.totalStorage = 500107862016LL;
    r.availableStorage = 125026965504LL;
    r.storageUsage = 0.75;
    r.temperatures
        = {{QStringLiteral("Tp0a"), SensorCategory::cpu, 51.5}, {QStringLiteral("Tg0a"), SensorCategory::gpu, 44},
            {QStringLiteral("Tp0a"), SensorCategory::cpu, 99}, // the same sensor again
            {QStringLiteral("odd \"name\"\\\nx"), SensorCategory::other, 30.25}};
    r.sensorGroups = {{SensorCategory::cpu, 51.5}, {SensorCategory::gpu, 44}};
    r.fans
        = {{QStringLiteral("F0Ac"), 0, 1850, 1200, 5600}, {QStringLiteral("F1Ac"), 1, 0, std::nullopt, std::nullopt}};
    r.power = {{PowerChannel::system, 12.25}, {PowerChannel::cpu, 3.5}};
    r.battery = BatteryInfo {87, 93.5, 412, 12.6, -1.25, false, false, false, 95};
    r.uptime = 3600.5;
    r.thermalState = ThermalState::fair;
    return r;
}

// The lines of the text that belong to one family (its metadata and samples).
QList<QByteArray> familyLines(const QByteArray& text, const QByteArray& family)
{
    QList<QByteArray> lines;
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith(family + ' ') || line.startsWith(family + '{') || line.startsWith("# TYPE " + family + ' ')
            || line.startsWith("# UNIT " + family + ' ') || line.startsWith("# HELP " + family + ' '))
            lines.append(line);
    return lines;
}

// Checks what the format asks of every text we write: each family declared once as a gauge
// before its samples, its samples together, a unit that ends its name, no series twice, and
// "# EOF" as the last line.
void expectWellFormed(const QByteArray& text)
{
    ASSERT_TRUE(text.endsWith("\n# EOF\n")) << text.right(40).constData();
    EXPECT_EQ(text.count("# EOF"), 1);
    QSet<QByteArray> families, series;
    QByteArray current;
    const QList<QByteArray> lines = text.chopped(1).split('\n');
    for (const QByteArray& line : lines) {
        ASSERT_FALSE(line.isEmpty()) << "no empty lines";
        if (line == "# EOF")
            continue;
        if (line.startsWith("# TYPE ")) {
            const QList<QByteArray> parts = line.split(' ');
            ASSERT_EQ(parts.size(), 4) << line.constData();
            EXPECT_EQ(parts[3], "gauge");
            current = parts[2];
            EXPECT_TRUE(current.startsWith("vantor_")) << current.constData();
            EXPECT_FALSE(families.contains(current)) << "declared twice: " << current.constData();
            families.insert(current);
            continue;
        }
        if (line.startsWith("# UNIT ")) {
            const QList<QByteArray> parts = line.split(' ');
            ASSERT_EQ(parts.size(), 4);
            EXPECT_EQ(parts[2], current);
            EXPECT_TRUE(current.endsWith("_" + parts[3])) << current.constData();
            continue;
        }
        if (line.startsWith("# HELP ")) {
            EXPECT_TRUE(line.startsWith("# HELP " + current + ' '));
            continue;
        }
        ASSERT_FALSE(line.startsWith('#')) << line.constData();
        const qsizetype valueStart = line.lastIndexOf(' ');
        const QByteArray seriesName = line.left(valueStart);
        const QByteArray name
            = seriesName.left(seriesName.indexOf('{') < 0 ? seriesName.size() : seriesName.indexOf('{'));
        EXPECT_EQ(name, current) << "sample outside its family: " << line.constData();
        EXPECT_FALSE(series.contains(seriesName)) << "series twice: " << seriesName.constData();
        series.insert(seriesName);
        bool ok = false;
        const QByteArray value = line.mid(valueStart + 1);
        value.toDouble(&ok);
        EXPECT_TRUE(ok || value == "NaN" || value == "+Inf" || value == "-Inf") << line.constData();
    }
}

} // namespace

TEST(OpenMetricsTextTest, WritesEveryReadingOnceInItsFamily)
{
    const QByteArray text = OpenMetricsText::text(fullReadings());
    expectWellFormed(text);

    for (const char* line : {
             "vantor_cpu_usage_ratio 0.375",
             "vantor_cpu_mode_usage_ratio{mode=\"user\"} 0.25",
             "vantor_cpu_mode_usage_ratio{mode=\"system\"} 0.125",
             "vantor_cpu_core_usage_ratio{core=\"0\"} 0.5",
             "vantor_cpu_core_usage_ratio{core=\"2\"} 1",
             "vantor_cpu_core_usage_ratio{core=\"3\"} 0",
             "vantor_load_average{minutes=\"15\"} 0.1",
             "vantor_memory_total_bytes 17179869184",
             "vantor_memory_compressed_bytes 0",
             "vantor_memory_page_out_bytes_per_second 18446744073709551615",
             "vantor_memory_pressure_level 1",
             "vantor_swap_used_bytes 1048576",
             "vantor_storage_total_bytes 500107862016",
             "vantor_storage_usage_ratio 0.75",
             "vantor_temperature_celsius{sensor=\"Tp0a\",category=\"cpu\"} 51.5",
             "vantor_temperature_hottest_celsius{category=\"gpu\"} 44",
             "vantor_fan_speed_rpm{fan=\"1\"} 0",
             "vantor_fan_maximum_speed_rpm{fan=\"0\"} 5600",
             "vantor_power_watts{channel=\"cpu\"} 3.5",
             "vantor_battery_charge_ratio 0.87",
             "vantor_battery_amperes -1.25",
             "vantor_battery_charging 0",
             "vantor_battery_time_remaining_seconds 5700",
             "vantor_uptime_seconds 3600.5",
             "vantor_thermal_state 1",
         })
        EXPECT_TRUE(text.contains(QByteArray("\n") + line + "\n")) << line;

    // A sensor that comes twice is written once, with its first value; a fan without limits has
    // no limit samples.
    EXPECT_EQ(text.count("sensor=\"Tp0a\""), 1);
    EXPECT_EQ(familyLines(text, "vantor_fan_minimum_speed_rpm").size(), 4); // TYPE, UNIT, HELP, fan 0
    // Label values keep every character, escaped.
    EXPECT_TRUE(text.contains("{sensor=\"odd \\\"name\\\"\\\\\\nx\",category=\"other\"} 30.25\n"));
    // Units the format knows are declared.
    EXPECT_TRUE(text.contains("# UNIT vantor_memory_used_bytes bytes\n"));
    EXPECT_TRUE(text.contains("# UNIT vantor_temperature_celsius celsius\n"));
    for (const QByteArray& line : familyLines(text, "vantor_load_average"))
        EXPECT_FALSE(line.startsWith("# UNIT")) << "a load has no unit";

    // The same buffer again gives the same text.
    QByteArray buffer = "left over";
    OpenMetricsText::write(fullReadings(), buffer);
    EXPECT_EQ(buffer, text);
}

TEST(OpenMetricsTextTest, LeavesOutWhatHasNotBeenRead)
{
    ExportReadings r; // a machine without sensors, battery or a measured volume, before the first cycle
    const QByteArray text = OpenMetricsText::text(r);
    expectWellFormed(text);
    for (const char* family : {"vantor_cpu_core_usage_ratio", "vantor_storage_", "vantor_temperature_", "vantor_fan_",
             "vantor_power_", "vantor_battery_", "vantor_thermal_state"})
        EXPECT_FALSE(text.contains(family)) << family;
    EXPECT_TRUE(text.contains("\nvantor_memory_used_bytes 0\n"));

    // A battery that does not know its remaining time, and values that are not finite.
    r.battery = BatteryInfo {};
    r.cpuUsage = std::numeric_limits<double>::quiet_NaN();
    r.power = {{PowerChannel::gpu, std::numeric_limits<double>::infinity()},
        {PowerChannel::system, -std::numeric_limits<double>::infinity()}};
    const QByteArray more = OpenMetricsText::text(r);
    expectWellFormed(more);
    EXPECT_TRUE(more.contains("\nvantor_battery_cycles 0\n"));
    EXPECT_FALSE(more.contains("vantor_battery_time_remaining_seconds"));
    EXPECT_TRUE(more.contains("\nvantor_cpu_usage_ratio NaN\n"));
    EXPECT_TRUE(more.contains("{channel=\"gpu\"} +Inf\n"));
    EXPECT_TRUE(more.contains("{channel=\"system\"} -Inf\n"));
}

TEST(OpenMetricsTextTest, PromtoolAcceptsTheText)
{
    const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
    if (promtool.isEmpty())
        GTEST_SKIP() << "promtool is not installed (Debian package prometheus)";
    for (const ExportReadings& readings : {fullReadings(), ExportReadings {}}) {
        QProcess check;
        check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
        ASSERT_TRUE(check.waitForStarted(10000));
        check.write(OpenMetricsText::text(readings));
        check.closeWriteChannel();
        ASSERT_TRUE(check.waitForFinished(30000));
        EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().constData()
                                       << check.readAllStandardError().constData();
        // Lint findings go to stdout even when the exit status is 0 in some versions.
        EXPECT_EQ(check.readAllStandardOutput().trimmed(), QByteArray());
    }
}
