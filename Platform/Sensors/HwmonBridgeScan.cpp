// How the hwmon bridge finds its keys: the hwmon chips in the kernel's order, each filed by the
// chip table, then the power sources (powercap's RAPL zones, the battery).
#include "Platform/Sensors/HwmonBridge.h"

#include "Platform/Files/DirectoryEntries.h"
#include "Platform/Sensors/HwmonChipTable.h"
#include "Platform/Sensors/SysfsValue.h"

#include <QDir>

#include <algorithm>
#include <map>

namespace {

using Role = HwmonChipTable::Role;

constexpr char indexCharacters[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int maximumFans = 10;

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

bool isWordCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_';
}

// Files named "<kind><1 to 3 digits>_<word>", e.g. "temp1_input"; the kind is added to `found`.
void addAttribute(Attributes& found, const QString& file)
{
    static const QString kinds[]
        = {QStringLiteral("temp"), QStringLiteral("fan"), QStringLiteral("power"), QStringLiteral("energy")};
    for (const QString& kind : kinds) {
        if (!file.startsWith(kind))
            continue;
        qsizetype end = kind.size();
        int index = 0;
        while (end < file.size() && end - kind.size() < 4 && file.at(end) >= u'0' && file.at(end) <= u'9')
            index = index * 10 + (file.at(end++).unicode() - u'0');
        const qsizetype digits = end - kind.size();
        if (digits < 1 || digits > 3 || end + 1 >= file.size() || file.at(end) != u'_')
            return;
        const QStringView suffix = QStringView(file).mid(end + 1);
        if (!std::all_of(suffix.begin(), suffix.end(), isWordCharacter))
            return;
        found[kind][index].append(suffix.toString());
        return;
    }
}

Attributes attributesOf(const QDir& dir)
{
    Attributes found;
    for (const QString& file : dir.entryList(QDir::Files | QDir::System))
        addAttribute(found, file);
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

// One hwmon chip as the scan sees it: where its attribute files are, which there are, and how
// the table files it.
struct HwmonBridge::Chip {
    QDir dir;
    Attributes attributes;
    const HwmonChipTable::Row* row = nullptr;

    Role role() const { return row->role; }
    QString path(const char* kind, int index, const char* suffix) const
    {
        return dir.filePath(QLatin1String(kind) + QString::number(index) + QLatin1Char('_') + QLatin1String(suffix));
    }
    // index → suffixes of one kind of attribute ("temp", "fan", …), in index order.
    const std::map<int, QStringList>& of(const char* kind) const
    {
        static const std::map<int, QStringList> none;
        const auto found = attributes.find(QLatin1String(kind));
        return found == attributes.end() ? none : found->second;
    }
    bool has(const char* kind, int index, const char* suffix) const
    {
        const auto& byIndex = of(kind);
        const auto found = byIndex.find(index);
        return found != byIndex.end() && found->second.contains(QLatin1String(suffix));
    }
};

void HwmonBridge::scanHwmon()
{
    const QDir hwmon(m_options.sysRoot + QStringLiteral("/class/hwmon"));
    QStringList names = DirectoryEntries::matching(hwmon, u"hwmon", {}, QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(),
        [](const QString& a, const QString& b) { return trailingNumber(a) < trailingNumber(b); });

    QHash<QByteArray, int> nextIndex; // per key prefix
    int fans = 0;
    PowerCandidates power;
    for (const QString& name : names) {
        Chip chip;
        // Older drivers (applesmc among them) keep their attributes on the device itself.
        chip.dir = QDir(hwmon.filePath(name));
        chip.attributes = attributesOf(chip.dir);
        if (chip.attributes.empty() && chip.dir.exists(QStringLiteral("device"))) {
            chip.dir = QDir(chip.dir.filePath(QStringLiteral("device")));
            chip.attributes = attributesOf(chip.dir);
        }
        QByteArray chipName = SysfsValue::text(hwmon.filePath(name) + QStringLiteral("/name"));
        if (chipName.isEmpty())
            chipName = SysfsValue::text(chip.dir.filePath(QStringLiteral("name")));
        chip.row = &HwmonChipTable::row(chipName);

        addTemperatures(chip, nextIndex);
        addFans(chip, fans);
        collectPower(chip, power);
    }

    if (!power.system && m_supplies.hasBattery()) {
        Key key;
        key.code = SMCKeyData::code("PSTR");
        key.source = Source::batteryDischarge;
        power.system = std::move(key);
    }
    std::vector<Counter> rapl;
    scanPowercap(rapl);
    if (!rapl.empty()) {
        Key key;
        key.code = SMCKeyData::code("PPMC");
        key.source = Source::counters;
        key.counters = std::move(rapl);
        power.processor = std::move(key);
    } else if (!power.processor && power.processorEnergy) {
        power.processor = std::move(power.processorEnergy);
    }
    for (std::optional<Key>* key : {&power.system, &power.processor, &power.graphics})
        if (*key)
            add(std::move(**key));

    // The counters' first figure needs a second read; the baseline is taken now.
    const double now = m_options.clock();
    for (Key& key : m_keys)
        for (Counter& counter : key.counters)
            if (const auto energy = SysfsValue::integer(counter.file); energy && *energy >= 0)
                counter.rate.watts(now, quint64(*energy));
}

void HwmonBridge::addTemperatures(const Chip& chip, QHash<QByteArray, int>& nextIndex)
{
    for (const auto& [index, suffixes] : chip.of("temp")) {
        if (!suffixes.contains(QLatin1String("input")))
            continue;
        ProcFile file(chip.path("temp", index, "input"), 64);
        if (!readable(file))
            continue;
        QByteArray keyName;
        if (chip.role() == Role::controller) {
            const QByteArray label = SysfsValue::text(chip.path("temp", index, "label"));
            if (isKeyName(label))
                keyName = label;
        }
        if (keyName.isEmpty()) {
            const QByteArray prefix(chip.row->keyPrefix);
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
}

void HwmonBridge::addFans(const Chip& chip, int& fans)
{
    for (const auto& [index, suffixes] : chip.of("fan")) {
        if (!suffixes.contains(QLatin1String("input")) || fans >= maximumFans)
            continue;
        ProcFile file(chip.path("fan", index, "input"), 64);
        if (!readable(file))
            continue;
        const QByteArray number = QByteArray::number(fans++);
        Key speed;
        speed.code = nameCode("F" + number + "Ac");
        speed.files.push_back(std::move(file));
        add(std::move(speed));
        for (const auto& [suffix, letters] : {std::pair {"min", "Mn"}, std::pair {"max", "Mx"}}) {
            if (!chip.has("fan", index, suffix))
                continue;
            Key limit;
            limit.code = nameCode("F" + number + letters);
            limit.files.emplace_back(chip.path("fan", index, suffix), 64);
            add(std::move(limit));
        }
    }
}

void HwmonBridge::collectPower(const Chip& chip, PowerCandidates& power)
{
    // Power inputs in microwatts: an average where the driver keeps one, else the input.
    std::vector<ProcFile> files;
    for (const auto& [index, suffixes] : chip.of("power")) {
        const char* suffix = suffixes.contains(QLatin1String("average")) ? "average"
            : suffixes.contains(QLatin1String("input"))                  ? "input"
                                                                         : nullptr;
        if (!suffix)
            continue;
        ProcFile file(chip.path("power", index, suffix), 64);
        if (readable(file))
            files.push_back(std::move(file));
    }
    if (!files.empty()) {
        Key key;
        key.scale = 1e-6;
        if (chip.role() == Role::powerMeter && !power.system) {
            key.code = SMCKeyData::code("PSTR");
            key.files.push_back(std::move(files.front()));
            power.system = std::move(key);
        } else if (chip.role() == Role::graphics && !power.graphics) {
            key.code = SMCKeyData::code("P3F2");
            key.files.push_back(std::move(files.front()));
            power.graphics = std::move(key);
        } else if (chip.role() == Role::processor && !power.processor) {
            // zenpower and the like split the package into core and SoC inputs: together they
            // are the package.
            key.code = SMCKeyData::code("PPMC");
            key.files = std::move(files);
            power.processor = std::move(key);
        }
    }

    if (chip.role() != Role::processor || power.processorEnergy)
        return;
    // Per-core counters would count the package twice: where the chip labels its counters, only
    // the sockets' are summed.
    std::vector<int> all, sockets;
    for (const auto& [index, suffixes] : chip.of("energy")) {
        if (!suffixes.contains(QLatin1String("input")))
            continue;
        all.push_back(index);
        if (SysfsValue::text(chip.path("energy", index, "label")).startsWith("Esocket"))
            sockets.push_back(index);
    }
    Key key;
    key.code = SMCKeyData::code("PPMC");
    key.source = Source::counters;
    for (const int index : sockets.empty() ? all : sockets) {
        ProcFile file(chip.path("energy", index, "input"), 64);
        if (readable(file))
            key.counters.push_back({std::move(file), EnergyRate()});
    }
    if (!key.counters.empty())
        power.processorEnergy = std::move(key);
}

void HwmonBridge::scanPowercap(std::vector<Counter>& rapl)
{
    // One package zone per socket ("intel-rapl:0"); the sub-zones ("intel-rapl:0:0") are parts of
    // it. On current kernels only root may read the counters, so this usually finds nothing for
    // an ordinary user, and the processor chip's own inputs serve instead.
    const QDir powercap(m_options.sysRoot + QStringLiteral("/class/powercap"));
    for (const QString& zone : DirectoryEntries::matching(powercap, u"intel-rapl:", {}, QDir::Dirs, QDir::Name)) {
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
