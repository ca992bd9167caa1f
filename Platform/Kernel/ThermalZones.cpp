#include "Platform/Kernel/ThermalZones.h"

#include "Platform/Files/DirectoryEntries.h"

#include <QDir>
#include <QFile>

#include <charconv>

namespace {

std::optional<qint64> readMilliCelsius(std::string_view text)
{
    ProcParse::skipBlanks(text);
    qint64 value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr == text.data())
        return std::nullopt;
    return value;
}

QByteArray readSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(256).trimmed();
}

void keepLowest(std::optional<qint64>& slot, qint64 value)
{
    if (!slot || value < *slot)
        slot = value;
}

} // namespace

ThermalZones::ThermalZones(const QString& sysRoot)
{
    const QDir thermal(sysRoot + QStringLiteral("/class/thermal"));
    const QStringList zones
        = DirectoryEntries::matching(thermal, u"thermal_zone", {}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : zones) {
        const QString dir = thermal.filePath(name);
        Trips trips;
        for (int index = 0; index < 64; ++index) {
            const QString prefix = dir + QStringLiteral("/trip_point_%1_").arg(index);
            const QByteArray type = readSmallFile(prefix + QStringLiteral("type"));
            if (type.isEmpty())
                break;
            const QByteArray temp = readSmallFile(prefix + QStringLiteral("temp"));
            const auto milli = readMilliCelsius(std::string_view(temp.constData(), size_t(temp.size())));
            // Firmware fills unused trip slots with 0 or negative values; they are no limits.
            if (!milli || *milli <= 0)
                continue;
            if (type == "passive")
                keepLowest(trips.passive, *milli);
            else if (type == "hot")
                keepLowest(trips.hot, *milli);
            else if (type == "critical")
                keepLowest(trips.critical, *milli);
        }
        if (trips.empty())
            continue;
        ProcFile temperature(dir + QStringLiteral("/temp"), 64);
        if (temperature.isOpen())
            m_zones.push_back({std::move(temperature), trips});
    }
}

ThermalState ThermalZones::judge(qint64 milliCelsius, const Trips& trips)
{
    if (trips.critical && milliCelsius >= *trips.critical)
        return ThermalState::critical;
    if (trips.hot && milliCelsius >= *trips.hot)
        return ThermalState::serious;
    if (trips.passive && milliCelsius >= *trips.passive)
        return ThermalState::fair;
    return ThermalState::nominal;
}

ThermalState ThermalZones::read()
{
    const Zone* hottest = nullptr;
    qint64 hottestMilli = 0;
    for (Zone& zone : m_zones) {
        const auto text = zone.temperature.read();
        if (!text)
            continue;
        const auto milli = readMilliCelsius(*text);
        if (!milli)
            continue;
        if (!hottest || *milli > hottestMilli) {
            hottest = &zone;
            hottestMilli = *milli;
        }
    }
    return hottest ? judge(hottestMilli, hottest->trips) : ThermalState::unknown;
}
