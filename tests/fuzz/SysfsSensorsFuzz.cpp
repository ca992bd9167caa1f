// Whatever a driver writes into its sysfs files (hwmon sensors, powercap counters, the battery's
// power-supply attributes) must never crash the bridge or the battery reader. The input is cut at
// NUL bytes into the contents of a fixed set of files.
#include "Platform/Power/PowerSupplyRegistry.h"
#include "Platform/Sensors/HwmonBridge.h"
#include "Platform/Sensors/SysfsValue.h"
#include "VantorAgent/Sensors/BatteryReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

const char* const files[] = {
    "class/hwmon/hwmon0/name",
    "class/hwmon/hwmon0/temp1_input",
    "class/hwmon/hwmon0/temp1_label",
    "class/hwmon/hwmon0/fan1_input",
    "class/hwmon/hwmon0/fan1_max",
    "class/hwmon/hwmon0/power1_average",
    "class/hwmon/hwmon0/energy1_input",
    "class/powercap/intel-rapl:0/energy_uj",
    "class/powercap/intel-rapl:0/max_energy_range_uj",
    "class/power_supply/BAT0/status",
    "class/power_supply/BAT0/capacity",
    "class/power_supply/BAT0/charge_now",
    "class/power_supply/BAT0/charge_full",
    "class/power_supply/BAT0/charge_full_design",
    "class/power_supply/BAT0/current_now",
    "class/power_supply/BAT0/voltage_now",
    "class/power_supply/BAT0/power_now",
    "class/power_supply/BAT0/cycle_count",
    "class/power_supply/BAT0/time_to_empty_now",
    "class/power_supply/AC/online",
};

void write(const QString& path, QByteArrayView contents)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(contents.data(), contents.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir root;
    static const bool prepared = [] {
        for (const char* file : files)
            QDir().mkpath(QFileInfo(root.filePath(QLatin1String(file))).absolutePath());
        write(root.filePath(QStringLiteral("class/power_supply/BAT0/type")), "Battery\n");
        write(root.filePath(QStringLiteral("class/power_supply/AC/type")), "Mains\n");
        return true;
    }();
    (void)prepared;

    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    SysfsValue::integer(std::string_view(input.data(), size_t(input.size())));
    qsizetype start = 0;
    for (const char* file : files) {
        qsizetype end = input.indexOf('\0', start);
        if (end < 0)
            end = input.size();
        write(root.filePath(QLatin1String(file)),
            start <= input.size() ? input.sliced(start, end - start) : QByteArrayView());
        start = std::min(end + 1, input.size());
    }

    HwmonBridge::Options options;
    options.sysRoot = root.path();
    options.wait = [](double) {};
    HwmonBridge bridge(options);
    for (const QByteArray& name : bridge.keyNames()) {
        SMCKeyData input;
        SMCKeyData output;
        input.key = SMCKeyData::code(std::string_view(name.constData(), 4));
        input.data8 = SMCKeyData::keyInfoCommand;
        if (bridge.call(input, output) != SMCTransport::success)
            continue;
        input.keyInfo = output.keyInfo;
        input.data8 = SMCKeyData::readBytesCommand;
        bridge.call(input, output);
    }
    PowerSupplyRegistry registry(root.path());
    BatteryReader::read(registry);
    registry.dischargeWatts();
    return 0;
}
