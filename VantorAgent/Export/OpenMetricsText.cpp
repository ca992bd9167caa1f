#include "VantorAgent/Export/OpenMetricsText.h"

#include "VantorAgent/Export/ExportReadings.h"
#include "VantorAgent/Sensors/PowerChannel.h"
#include "VantorAgent/Sensors/SensorCategory.h"

#include <charconv>
#include <cmath>
#include <initializer_list>

namespace OpenMetricsText {

namespace {

struct Family {
    const char* name;
    const char* unit; // null: no unit
    const char* help;
};

struct Label {
    const char* name;
    QByteArrayView value;
};

void appendInteger(QByteArray& out, quint64 value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr - digits);
}

void header(QByteArray& out, const Family& family)
{
    out += "# TYPE ";
    out += family.name;
    out += " gauge\n";
    if (family.unit) {
        out += "# UNIT ";
        out += family.name;
        out += ' ';
        out += family.unit;
        out += '\n';
    }
    out += "# HELP ";
    out += family.name;
    out += ' ';
    out += family.help;
    out += '\n';
}

void sampleStart(QByteArray& out, const Family& family, std::initializer_list<Label> labels)
{
    out += family.name;
    if (labels.size() > 0) {
        out += '{';
        bool first = true;
        for (const Label& label : labels) {
            if (!first)
                out += ',';
            first = false;
            out += label.name;
            out += "=\"";
            appendLabelValue(out, label.value);
            out += '"';
        }
        out += '}';
    }
    out += ' ';
}

void sample(QByteArray& out, const Family& family, std::initializer_list<Label> labels, double value)
{
    sampleStart(out, family, labels);
    appendNumber(out, value);
    out += '\n';
}

void sample(QByteArray& out, const Family& family, std::initializer_list<Label> labels, quint64 value)
{
    sampleStart(out, family, labels);
    appendInteger(out, value);
    out += '\n';
}

// A family with exactly one sample and no labels.
template <typename T> void single(QByteArray& out, const Family& family, T value)
{
    header(out, family);
    sample(out, family, {}, value);
}

// The label value of a small count, without allocating.
QByteArrayView indexText(char (&buffer)[24], qint64 index)
{
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, index);
    return QByteArrayView(buffer, result.ptr - buffer);
}

constexpr Family cpuUsage {"vantor_cpu_usage_ratio", "ratio",
    "Share of processor time spent busy (user and system) over the last sampling interval."};
constexpr Family cpuModeUsage {"vantor_cpu_mode_usage_ratio", "ratio",
    "Share of processor time by mode over the last sampling interval; user includes nice, system includes "
    "interrupts and steal."};
constexpr Family coreUsage {"vantor_cpu_core_usage_ratio", "ratio",
    "Busy share of each logical processor, numbered as the meters draw them (the fastest kind of core last)."};
constexpr Family loadAverage {"vantor_load_average", nullptr, "System load average over 1, 5 and 15 minutes."};

constexpr Family memoryTotal {"vantor_memory_total_bytes", "bytes", "Physical memory."};
constexpr Family memoryUsed {"vantor_memory_used_bytes", "bytes",
    "Memory in use: what the kernel could not hand to a program without swapping."};
constexpr Family memoryWired {"vantor_memory_wired_bytes", "bytes", "Memory the kernel cannot reclaim."};
constexpr Family memoryActive {
    "vantor_memory_active_bytes", "bytes", "Memory in use by programs: used less wired and compressed."};
constexpr Family memoryCompressed {"vantor_memory_compressed_bytes", "bytes", "Compressed memory (zswap and zram)."};
constexpr Family memoryCache {"vantor_memory_cache_bytes", "bytes", "File cache the kernel can drop."};
constexpr Family memoryUsage {"vantor_memory_usage_ratio", "ratio", "Used memory as a share of physical memory."};
constexpr Family memoryPressure {
    "vantor_memory_pressure_ratio", "ratio", "Wired and compressed memory as a share of physical memory."};
constexpr Family memoryPressureLevel {
    "vantor_memory_pressure_level", nullptr, "Memory pressure: 0 normal, 1 warning, 2 critical."};
constexpr Family pageIns {
    "vantor_memory_page_in_bytes_per_second", "bytes_per_second", "Bytes paged in from swap per second."};
constexpr Family pageOuts {
    "vantor_memory_page_out_bytes_per_second", "bytes_per_second", "Bytes paged out to swap per second."};
constexpr Family swapTotal {"vantor_swap_total_bytes", "bytes", "Swap space."};
constexpr Family swapUsed {"vantor_swap_used_bytes", "bytes", "Swap space in use."};

constexpr Family storageTotal {"vantor_storage_total_bytes", "bytes", "Size of the start-up volume."};
constexpr Family storageAvailable {
    "vantor_storage_available_bytes", "bytes", "Space on the start-up volume available to unprivileged users."};
constexpr Family storageUsage {"vantor_storage_usage_ratio", "ratio", "Share of the start-up volume in use."};

constexpr Family temperature {"vantor_temperature_celsius", "celsius", "Temperature of each sensor."};
constexpr Family hottest {
    "vantor_temperature_hottest_celsius", "celsius", "Temperature of the hottest sensor of each category."};
constexpr Family fanSpeed {"vantor_fan_speed_rpm", "rpm", "Speed of each fan in revolutions per minute."};
constexpr Family fanMinimum {"vantor_fan_minimum_speed_rpm", "rpm", "Lowest speed of each fan that reports one."};
constexpr Family fanMaximum {"vantor_fan_maximum_speed_rpm", "rpm", "Highest speed of each fan that reports one."};
constexpr Family power {"vantor_power_watts", "watts", "Power drawn, by channel."};

constexpr Family batteryCharge {"vantor_battery_charge_ratio", "ratio", "Battery charge."};
constexpr Family batteryHealth {"vantor_battery_health_ratio", "ratio", "Battery capacity against its design."};
constexpr Family batteryCycles {"vantor_battery_cycles", nullptr, "Charge cycles of the battery."};
constexpr Family batteryVolts {"vantor_battery_volts", "volts", "Battery voltage."};
constexpr Family batteryAmperes {"vantor_battery_amperes", "amperes", "Battery current."};
constexpr Family batteryCharging {"vantor_battery_charging", nullptr, "1 while the battery charges."};
constexpr Family batteryPluggedIn {"vantor_battery_plugged_in", nullptr, "1 while external power is connected."};
constexpr Family batteryFull {"vantor_battery_fully_charged", nullptr, "1 when the battery is full."};
constexpr Family batteryRemaining {
    "vantor_battery_time_remaining_seconds", "seconds", "Time until the battery is empty or full, when known."};

constexpr Family uptime {"vantor_uptime_seconds", "seconds", "Time since the system started."};
constexpr Family thermalState {
    "vantor_thermal_state", nullptr, "Thermal state: 0 nominal, 1 elevated, 2 high, 3 critical."};

// Two readings of one family with the same labels would make the whole collection invalid, so
// only the first of a repeated identity is written.
template <typename List, typename Same> bool seenBefore(const List& list, qsizetype index, Same same)
{
    for (qsizetype earlier = 0; earlier < index; ++earlier)
        if (same(list.at(earlier), list.at(index)))
            return true;
    return false;
}

void writeProcessor(QByteArray& out, const ExportReadings& r)
{
    single(out, cpuUsage, r.cpuUsage);
    header(out, cpuModeUsage);
    sample(out, cpuModeUsage, {{"mode", "user"}}, r.userCPUUsage);
    sample(out, cpuModeUsage, {{"mode", "system"}}, r.systemCPUUsage);
    if (!r.coreUsages.isEmpty()) {
        header(out, coreUsage);
        char buffer[24];
        for (qsizetype core = 0; core < r.coreUsages.size(); ++core)
            sample(out, coreUsage, {{"core", indexText(buffer, core)}}, r.coreUsages.at(core));
    }
    header(out, loadAverage);
    sample(out, loadAverage, {{"minutes", "1"}}, r.loadAverages[0]);
    sample(out, loadAverage, {{"minutes", "5"}}, r.loadAverages[1]);
    sample(out, loadAverage, {{"minutes", "15"}}, r.loadAverages[2]);
}

void writeMemory(QByteArray& out, const ExportReadings& r)
{
    single(out, memoryTotal, r.totalMemory);
    single(out, memoryUsed, r.usedMemory);
    single(out, memoryWired, r.wiredMemory);
    single(out, memoryActive, r.activeMemory);
    single(out, memoryCompressed, r.compressedMemory);
    single(out, memoryCache, r.cacheMemory);
    single(out, memoryUsage, r.memoryUsage);
    single(out, memoryPressure, r.memoryPressure);
    single(out, memoryPressureLevel, quint64(r.memoryPressureLevel));
    single(out, pageIns, r.pageInsPerSecond);
    single(out, pageOuts, r.pageOutsPerSecond);
    single(out, swapTotal, r.swapTotal);
    single(out, swapUsed, r.swapUsed);
}

void writeStorage(QByteArray& out, const ExportReadings& r)
{
    if (r.totalStorage <= 0)
        return;
    single(out, storageTotal, quint64(r.totalStorage));
    single(out, storageAvailable, quint64(std::max<qint64>(r.availableStorage, 0)));
    single(out, storageUsage, r.storageUsage);
}

void writeSensors(QByteArray& out, const ExportReadings& r)
{
    if (!r.temperatures.isEmpty()) {
        header(out, temperature);
        for (qsizetype i = 0; i < r.temperatures.size(); ++i) {
            const TemperatureReading& reading = r.temperatures.at(i);
            if (seenBefore(r.temperatures, i, [](const auto& a, const auto& b) { return a.key == b.key; }))
                continue;
            sample(out, temperature,
                {{"sensor", reading.key.toUtf8()}, {"category", rawValue(reading.category).toLatin1()}},
                reading.celsius);
        }
    }
    if (!r.sensorGroups.isEmpty()) {
        header(out, hottest);
        for (qsizetype i = 0; i < r.sensorGroups.size(); ++i) {
            const SensorGroup& group = r.sensorGroups.at(i);
            if (seenBefore(r.sensorGroups, i, [](const auto& a, const auto& b) { return a.category == b.category; }))
                continue;
            sample(out, hottest, {{"category", rawValue(group.category).toLatin1()}}, group.celsius);
        }
    }
    if (!r.fans.isEmpty()) {
        const auto sameFan = [](const FanReading& a, const FanReading& b) { return a.index == b.index; };
        char buffer[24];
        header(out, fanSpeed);
        for (qsizetype i = 0; i < r.fans.size(); ++i)
            if (!seenBefore(r.fans, i, sameFan))
                sample(out, fanSpeed, {{"fan", indexText(buffer, r.fans.at(i).index)}}, r.fans.at(i).rpm);
        // The limits only for fans that report them; a family without samples is left out.
        const auto limit = [&](const Family& family, std::optional<double> FanReading::*member) {
            bool started = false;
            for (qsizetype i = 0; i < r.fans.size(); ++i) {
                const FanReading& fan = r.fans.at(i);
                if (!(fan.*member) || seenBefore(r.fans, i, sameFan))
                    continue;
                if (!std::exchange(started, true))
                    header(out, family);
                sample(out, family, {{"fan", indexText(buffer, fan.index)}}, *(fan.*member));
            }
        };
        limit(fanMinimum, &FanReading::minimumRPM);
        limit(fanMaximum, &FanReading::maximumRPM);
    }
    if (!r.power.isEmpty()) {
        header(out, power);
        for (qsizetype i = 0; i < r.power.size(); ++i) {
            const PowerReading& reading = r.power.at(i);
            if (seenBefore(r.power, i, [](const auto& a, const auto& b) { return a.channel == b.channel; }))
                continue;
            sample(out, power, {{"channel", rawValue(reading.channel).toLatin1()}}, reading.watts);
        }
    }
}

void writeBattery(QByteArray& out, const ExportReadings& r)
{
    if (!r.battery)
        return;
    const BatteryInfo& b = *r.battery;
    single(out, batteryCharge, b.chargePercent / 100.0);
    single(out, batteryHealth, b.healthPercent / 100.0);
    single(out, batteryCycles, quint64(std::max(b.cycleCount, 0)));
    single(out, batteryVolts, b.volts);
    single(out, batteryAmperes, b.amps);
    single(out, batteryCharging, quint64(b.isCharging));
    single(out, batteryPluggedIn, quint64(b.isPluggedIn));
    single(out, batteryFull, quint64(b.isFullyCharged));
    if (b.minutesRemaining && *b.minutesRemaining >= 0)
        single(out, batteryRemaining, quint64(*b.minutesRemaining) * 60);
}

void writeMachine(QByteArray& out, const ExportReadings& r)
{
    single(out, uptime, r.uptime);
    int state = -1;
    switch (r.thermalState) {
    case ThermalState::nominal:
        state = 0;
        break;
    case ThermalState::fair:
        state = 1;
        break;
    case ThermalState::serious:
        state = 2;
        break;
    case ThermalState::critical:
        state = 3;
        break;
    case ThermalState::unknown:
        break;
    }
    if (state >= 0)
        single(out, thermalState, quint64(state));
}

} // namespace

void appendLabelValue(QByteArray& out, QByteArrayView value)
{
    for (const char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
}

void appendNumber(QByteArray& out, double value)
{
    if (std::isnan(value)) {
        out += "NaN";
        return;
    }
    if (std::isinf(value)) {
        out += value > 0 ? "+Inf" : "-Inf";
        return;
    }
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr - digits);
}

void write(const ExportReadings& readings, QByteArray& out)
{
    out.resize(0); // keeps the capacity for the next time
    writeProcessor(out, readings);
    writeMemory(out, readings);
    writeStorage(out, readings);
    writeSensors(out, readings);
    writeBattery(out, readings);
    writeMachine(out, readings);
    out += "# EOF\n";
}

QByteArray text(const ExportReadings& readings)
{
    QByteArray out;
    out.reserve(8192);
    write(readings, out);
    return out;
}

} // namespace OpenMetricsText
