#include "VantorAgent/Sensors/SMCReader.h"

#include "VantorAgent/Sensors/SMCDecoder.h"

#include <cstring>

std::unique_ptr<SMCReader> SMCReader::open(std::unique_ptr<SMCTransport> transport)
{
    if (!transport)
        return nullptr;
    return std::make_unique<SMCReader>(std::move(transport));
}

SMCReader::SMCReader(std::unique_ptr<SMCTransport> transport)
    : m_transport(std::move(transport))
{
    discoverTemperatureKeys();
    if (m_cpuKeys.empty() && m_gpuKeys.empty() && m_otherTemperatureKeys.empty())
        discoverKnownAppleSiliconKeys();
    discoverPowerKeys();
    for (size_t i = 0; i < m_fanKeys.size(); ++i) {
        // The limits belong to the fan's position in the list, not to a digit in its own name.
        const QString number = QString::number(i);
        m_fanLimitKeys.emplace_back(keyCode(QLatin1Char('F') + number + QStringLiteral("Mn")),
            keyCode(QLatin1Char('F') + number + QStringLiteral("Mx")));
        nameOf(m_fanKeys[i]);
    }
}

SMCReader::~SMCReader() = default;

// MARK: Exchanges

int SMCReader::call(const SMCKeyData& input, SMCKeyData& output)
{
    if (!m_transport)
        return SMCTransport::failure;
    return m_transport->call(input, output);
}

std::optional<quint32> SMCReader::key(quint32 index)
{
    SMCKeyData input;
    SMCKeyData output;
    input.data8 = SMCKeyData::keyAtIndexCommand;
    input.data32 = index;
    if (call(input, output) != SMCTransport::success)
        return std::nullopt;
    return output.key;
}

std::optional<SMCKeyData::KeyInfo> SMCReader::keyInfo(quint32 key)
{
    SMCKeyData input;
    SMCKeyData output;
    input.key = key;
    input.data8 = SMCKeyData::keyInfoCommand;
    // The controller's result byte is not examined: a key that does not exist shows by its size
    // or type.
    if (call(input, output) != SMCTransport::success)
        return std::nullopt;
    return output.keyInfo;
}

std::optional<SMCReader::Value> SMCReader::read(quint32 key)
{
    const auto info = keyInfo(key);
    if (!info || info->dataSize == 0 || info->dataSize > SMCKeyData::maximumDataSize)
        return std::nullopt;
    SMCKeyData input;
    SMCKeyData output;
    input.key = key;
    input.keyInfo.dataSize = info->dataSize;
    input.keyInfo.dataType = info->dataType;
    input.data8 = SMCKeyData::readBytesCommand;
    if (call(input, output) != SMCTransport::success)
        return std::nullopt;
    Value value;
    value.dataType = info->dataType;
    value.size = info->dataSize;
    std::memcpy(value.bytes.data(), output.bytes, info->dataSize);
    return value;
}

std::optional<double> SMCReader::readNumber(quint32 key)
{
    const auto value = read(key);
    if (!value)
        return std::nullopt;
    return SMCDecoder::number(value->dataType, value->view());
}

std::optional<double> SMCReader::readTemperature(quint32 key)
{
    const auto value = read(key);
    if (!value)
        return std::nullopt;
    return SMCDecoder::temperature(value->dataType, value->view());
}

quint32 SMCReader::keyCode(QStringView text)
{
    return SMCDecoder::keyCode(text);
}

QString SMCReader::keyString(quint32 code)
{
    return SMCDecoder::keyString(code);
}

SensorCategory SMCReader::category(QStringView key)
{
    return SMCDecoder::category(key);
}

const QString& SMCReader::nameOf(quint32 code)
{
    auto found = m_names.find(code);
    if (found == m_names.end()) {
        const QString name = keyString(code);
        found = m_names.insert(code, Named {name, category(name)});
    }
    return found->name;
}

// MARK: Readings

void SMCReader::appendTemperatures(const std::vector<quint32>& keys, QList<TemperatureReading>& readings)
{
    for (const quint32 code : keys) {
        const auto celsius = readTemperature(code);
        if (!celsius)
            continue;
        // Read-only here: the sensor job reads what discovery filled in.
        const auto named = m_names.constFind(code);
        readings.append(TemperatureReading {named->name, named->category, *celsius});
    }
}

QList<TemperatureReading> SMCReader::temperatures(SMCScope scope)
{
    QList<TemperatureReading> readings;
    if (scope == SMCScope::none)
        return readings;
    readings.reserve(
        qsizetype(m_cpuKeys.size() + m_gpuKeys.size() + (scope == SMCScope::full ? m_otherTemperatureKeys.size() : 0)));
    appendTemperatures(m_cpuKeys, readings);
    appendTemperatures(m_gpuKeys, readings);
    if (scope == SMCScope::full)
        appendTemperatures(m_otherTemperatureKeys, readings);
    return readings;
}

std::optional<double> SMCReader::plausibleRPM(quint32 key)
{
    const auto rpm = readNumber(key);
    if (!rpm || !(*rpm > 0 && *rpm < 20000))
        return std::nullopt;
    return rpm;
}

QList<FanReading> SMCReader::fans()
{
    QList<FanReading> readings;
    for (size_t i = 0; i < m_fanKeys.size(); ++i) {
        const auto rpm = readNumber(m_fanKeys[i]);
        if (!rpm || !(*rpm >= 0 && *rpm < 20000))
            continue;
        FanReading fan;
        fan.key = m_names.constFind(m_fanKeys[i])->name;
        fan.index = int(i);
        fan.rpm = *rpm;
        fan.minimumRPM = plausibleRPM(m_fanLimitKeys[i].first);
        fan.maximumRPM = plausibleRPM(m_fanLimitKeys[i].second);
        readings.append(fan);
    }
    return readings;
}

QList<PowerReading> SMCReader::power()
{
    QList<PowerReading> readings;
    for (const auto& [channel, code] : m_powerKeys) {
        const auto watts = readNumber(code);
        if (watts && *watts >= 0 && *watts < 1000)
            readings.append(PowerReading {channel, *watts});
    }
    return readings;
}

bool SMCReader::hasTemperatureCategory(SensorCategory wanted) const
{
    for (const auto* list : {&m_cpuKeys, &m_gpuKeys, &m_otherTemperatureKeys})
        for (const quint32 code : *list)
            if (category(keyString(code)) == wanted)
                return true;
    return false;
}

bool SMCReader::hasAnyGroupedTemperature() const
{
    for (const SensorCategory category : EnumCases<SensorCategory>::all)
        if (category != SensorCategory::other && hasTemperatureCategory(category))
            return true;
    return false;
}

bool SMCReader::hasPowerChannel(PowerChannel channel) const
{
    for (const auto& entry : m_powerKeys)
        if (entry.first == channel)
            return true;
    return false;
}
