#include "Platform/Sensors/HwmonBridge.h"

#include "Platform/Sensors/HwmonChipTable.h"
#include "Platform/Sensors/SysfsValue.h"

#include <QDir>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <thread>

namespace {

using Role = HwmonChipTable::Role;

constexpr quint32 fltType = SMCKeyData::code("flt ");
constexpr quint32 countType = SMCKeyData::code("ui32");
constexpr char indexCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int maximumFans = 10;

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// hwmon0, hwmon1, …, hwmon10 in number order, so key names follow the kernel's numbering.
int trailingNumber(const QString& name)
{
    qsizetype start = name.size();
    while (start > 0 && name.at(start - 1).isDigit())
        --start;
    bool ok = false;
    const int number = name.mid(start).toInt(&ok);
    return ok ? number : -1;
}

// The attribute files of one chip: "temp", "fan", "power", "energy" → index → file suffixes seen.
using Attributes = std::map<QString, std::map<int, QStringList>>;

Attributes attributesOf(const QDir& dir)
{
    static const QRegularExpression pattern(QStringLiteral("^(temp|fan|power|energy)(\\d{1,3})_(\\w+)$"));
    Attributes found;
    for (const QString& file : dir.entryList(QDir::Files | QDir::System)) {
        const auto match = pattern.match(file);
        if (match.hasMatch())
            found[match.captured(1)][match.captured(2).toInt()].append(match.captured(3));
    }
    return found;
}

bool readable(ProcFile& file)
{
    return SysfsValue::integer(file).has_value();
}

bool isKeyName(QByteArrayView text)
{
    return text.size() == 4
        && std::all_of(text.begin(), text.end(), [](char c) { return quint8(c) > 0x20 && quint8(c) < 0x7f; });
}

quint32 nameCode(QByteArrayView text)
{
    return SMCKeyData::code(std::string_view(text.data(), size_t(text.size())));
}

} // namespace

HwmonBridge::HwmonBridge()
    : HwmonBridge(Options {})
{
}

HwmonBridge::HwmonBridge(Options options)
    : m_options(std::move(options))
    , m_supplies(m_options.sysRoot)
{
    if (!m_options.clock)
        m_options.clock = steadySeconds;
    if (!m_options.wait)
        m_options.wait = [](double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); };
    Key count;
    count.code = SMCKeyData::code("#KEY");
    count.source = Source::keyCount;
    add(std::move(count));
    scanHwmon();
}

HwmonBridge::~HwmonBridge() = default;

bool HwmonBridge::add(Key key)
{
    if (m_byCode.contains(key.code))
        return false;
    m_byCode.insert(key.code, m_keys.size());
    m_keys.push_back(std::move(key));
    return true;
}

void HwmonBridge::scanHwmon()
{
    const QDir hwmon(m_options.sysRoot + QStringLiteral("/class/hwmon"));
    QStringList chips = hwmon.entryList({QStringLiteral("hwmon*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(chips.begin(), chips.end(),
        [](const QString& a, const QString& b) { return trailingNumber(a) < trailingNumber(b); });

    QHash<QByteArray, int> nextIndex; // per key prefix
    int fans = 0;
    std::optional<Key> systemPower, processorPower, processorEnergy, graphicsPower;

    for (const QString& chip : chips) {
        // Older drivers (applesmc among them) keep their attributes on the device itself.
        QDir dir(hwmon.filePath(chip));
        Attributes attributes = attributesOf(dir);
        if (attributes.empty() && dir.exists(QStringLiteral("device"))) {
            dir = QDir(dir.filePath(QStringLiteral("device")));
            attributes = attributesOf(dir);
        }
        QByteArray name = SysfsValue::text(hwmon.filePath(chip) + QStringLiteral("/name"));
        if (name.isEmpty())
            name = SysfsValue::text(dir.filePath(QStringLiteral("name")));
        const HwmonChipTable::Row& row = HwmonChipTable::row(name);
        const auto path = [&dir](const QString& kind, int index, const char* suffix) {
            return dir.filePath(kind + QString::number(index) + QLatin1Char('_') + QLatin1String(suffix));
        };
        const auto has = [&attributes](const QString& kind, int index, const char* suffix) {
            const auto byKind = attributes.find(kind);
            if (byKind == attributes.end())
                return false;
            const auto byIndex = byKind->second.find(index);
            return byIndex != byKind->second.end() && byIndex->second.contains(QLatin1String(suffix));
        };

        for (const auto& [index, suffixes] : attributes[QStringLiteral("temp")]) {
            if (!suffixes.contains(QLatin1String("input")))
                continue;
            ProcFile file(path(QStringLiteral("temp"), index, "input"), 64);
            if (!readable(file))
                continue;
            QByteArray keyName;
            if (row.role == Role::controller) {
                const QByteArray label = SysfsValue::text(path(QStringLiteral("temp"), index, "label"));
                if (isKeyName(label))
                    keyName = label;
            }
            if (keyName.isEmpty()) {
                const QByteArray prefix = row.role == Role::controller ? QByteArray("Ts") : QByteArray(row.keyPrefix);
                int& next = nextIndex[prefix];
                if (next >= 62 * 62)
                    continue;
                keyName = prefix + indexCharacters[next / 62] + indexCharacters[next % 62];
                ++next;
            }
            Key key;
            key.code = nameCode(keyName);
            key.scale = 0.001;
            key.files.push_back(std::move(file));
            add(std::move(key));
        }

        for (const auto& [index, suffixes] : attributes[QStringLiteral("fan")]) {
            if (!suffixes.contains(QLatin1String("input")) || fans >= maximumFans)
                continue;
            ProcFile file(path(QStringLiteral("fan"), index, "input"), 64);
            if (!readable(file))
                continue;
            const QByteArray number = QByteArray::number(fans++);
            Key speed;
            speed.code = nameCode("F" + number + "Ac");
            speed.files.push_back(std::move(file));
            add(std::move(speed));
            for (const auto& [suffix, letters] : {std::pair {"min", "Mn"}, std::pair {"max", "Mx"}}) {
                if (!has(QStringLiteral("fan"), index, suffix))
                    continue;
                Key limit;
                limit.code = nameCode("F" + number + letters);
                limit.files.emplace_back(path(QStringLiteral("fan"), index, suffix), 64);
                add(std::move(limit));
            }
        }

        // Power inputs in microwatts: an average where the driver keeps one, else the input.
        std::vector<ProcFile> powerFiles;
        for (const auto& [index, suffixes] : attributes[QStringLiteral("power")]) {
            const char* suffix = suffixes.contains(QLatin1String("average")) ? "average"
                : suffixes.contains(QLatin1String("input"))                  ? "input"
                                                                             : nullptr;
            if (!suffix)
                continue;
            ProcFile file(path(QStringLiteral("power"), index, suffix), 64);
            if (readable(file))
                powerFiles.push_back(std::move(file));
        }
        if (!powerFiles.empty()) {
            Key key;
            key.scale = 1e-6;
            if (row.role == Role::powerMeter && !systemPower) {
                key.code = SMCKeyData::code("PSTR");
                key.files.push_back(std::move(powerFiles.front()));
                systemPower = std::move(key);
            } else if (row.role == Role::graphics && !graphicsPower) {
                key.code = SMCKeyData::code("P3F2");
                key.files.push_back(std::move(powerFiles.front()));
                graphicsPower = std::move(key);
            } else if (row.role == Role::processor && !processorPower) {
                key.code = SMCKeyData::code("PPMC");
                key.files = std::move(powerFiles);
                processorPower = std::move(key);
            }
        }

        if (row.role == Role::processor && !processorEnergy) {
            // Per-core counters would count the package twice: where the chip labels its
            // counters, only the sockets' are summed.
            std::vector<int> all, sockets;
            for (const auto& [index, suffixes] : attributes[QStringLiteral("energy")]) {
                if (!suffixes.contains(QLatin1String("input")))
                    continue;
                all.push_back(index);
                if (SysfsValue::text(path(QStringLiteral("energy"), index, "label")).startsWith("Esocket"))
                    sockets.push_back(index);
            }
            Key key;
            key.code = SMCKeyData::code("PPMC");
            key.source = Source::counters;
            for (const int index : sockets.empty() ? all : sockets) {
                ProcFile file(path(QStringLiteral("energy"), index, "input"), 64);
                if (readable(file))
                    key.counters.push_back({std::move(file), EnergyRate()});
            }
            if (!key.counters.empty())
                processorEnergy = std::move(key);
        }
    }

    if (!systemPower && m_supplies.hasBattery()) {
        Key key;
        key.code = SMCKeyData::code("PSTR");
        key.source = Source::batteryDischarge;
        systemPower = std::move(key);
    }
    std::vector<Counter> rapl;
    scanPowercap(rapl);
    if (!rapl.empty()) {
        Key key;
        key.code = SMCKeyData::code("PPMC");
        key.source = Source::counters;
        key.counters = std::move(rapl);
        processorPower = std::move(key);
    } else if (!processorPower && processorEnergy) {
        processorPower = std::move(processorEnergy);
    }
    for (std::optional<Key>* power : {&systemPower, &processorPower, &graphicsPower})
        if (*power)
            add(std::move(**power));

    // The counters' first figure needs a second read; the baseline is taken now.
    const double now = m_options.clock();
    for (Key& key : m_keys)
        for (Counter& counter : key.counters)
            if (const auto energy = SysfsValue::integer(counter.file); energy && *energy >= 0)
                counter.rate.watts(now, quint64(*energy));
}

void HwmonBridge::scanPowercap(std::vector<Counter>& rapl)
{
    // One package zone per socket ("intel-rapl:0"); the sub-zones ("intel-rapl:0:0") are parts of
    // it. On current kernels only root may read the counters, so this usually finds nothing for
    // an ordinary user, and the processor chip's own inputs serve instead.
    const QDir powercap(m_options.sysRoot + QStringLiteral("/class/powercap"));
    for (const QString& zone : powercap.entryList({QStringLiteral("intel-rapl:*")}, QDir::Dirs, QDir::Name)) {
        if (zone.count(QLatin1Char(':')) != 1)
            continue;
        const QString dir = powercap.filePath(zone);
        ProcFile file(dir + QStringLiteral("/energy_uj"), 64);
        if (!readable(file))
            continue;
        const qint64 range = SysfsValue::integer(dir + QStringLiteral("/max_energy_range_uj")).value_or(0);
        rapl.push_back({std::move(file), EnergyRate(range > 0 ? quint64(range) : 0)});
    }
}

QList<QByteArray> HwmonBridge::keyNames() const
{
    QList<QByteArray> names;
    for (const Key& key : m_keys) {
        QByteArray name(4, ' ');
        for (int i = 0; i < 4; ++i)
            name[i] = char((key.code >> (24 - 8 * i)) & 0xff);
        names.append(name);
    }
    return names;
}

std::optional<double> HwmonBridge::counterWatts(std::vector<Counter>& counters)
{
    double total = 0;
    for (Counter& counter : counters) {
        std::optional<double> watts;
        for (int attempt = 0; attempt < 2 && !watts; ++attempt) {
            const auto energy = SysfsValue::integer(counter.file);
            if (!energy || *energy < 0)
                return std::nullopt;
            const double now = m_options.clock();
            watts = counter.rate.watts(now, quint64(*energy));
            // Only the very first read after the baseline may need to wait for a figure.
            const double left = counter.rate.secondsUntilFirstFigure(now);
            if (!watts && attempt == 0 && left > 0)
                m_options.wait(left);
        }
        if (!watts)
            return std::nullopt;
        total += *watts;
    }
    return total;
}

std::optional<double> HwmonBridge::value(Key& key)
{
    switch (key.source) {
    case Source::keyCount:
        return double(m_keys.size());
    case Source::batteryDischarge:
        return m_supplies.dischargeWatts();
    case Source::counters:
        return counterWatts(key.counters);
    case Source::files:
        break;
    }
    double total = 0;
    for (ProcFile& file : key.files) {
        const auto number = SysfsValue::integer(file);
        if (!number)
            return std::nullopt;
        total += double(*number);
    }
    return total * key.scale;
}

std::optional<quint32> HwmonBridge::keyAtIndex(quint32 index)
{
    if (index >= m_keys.size())
        return std::nullopt;
    return m_keys[index].code;
}

std::optional<SMCKeyData::KeyInfo> HwmonBridge::keyInformation(quint32 key)
{
    const auto found = m_byCode.constFind(key);
    if (found == m_byCode.cend())
        return std::nullopt;
    const bool count = m_keys[*found].source == Source::keyCount;
    return SMCKeyData::KeyInfo {4, count ? countType : fltType, 0};
}

bool HwmonBridge::readBytes(quint32 code, quint32 size, quint32, quint8* bytes)
{
    const auto found = m_byCode.constFind(code);
    if (found == m_byCode.cend() || size < 4)
        return false;
    Key& key = m_keys[*found];
    const auto number = value(key);
    // Garbage in a file must not become a float it cannot be.
    if (!number || !std::isfinite(*number) || std::fabs(*number) > 1e30)
        return false;
    if (key.source == Source::keyCount) {
        qToBigEndian(quint32(*number), bytes);
        return true;
    }
    const float single = float(*number);
    quint32 bits = 0;
    std::memcpy(&bits, &single, 4);
    qToLittleEndian(bits, bytes);
    return true;
}
