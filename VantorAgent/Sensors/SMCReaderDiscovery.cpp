// How an SMCReader finds its keys: the controller's own index first, a fixed list of candidates
// for controllers whose index yields nothing, and the power channels.
#include "VantorAgent/Sensors/SMCReader.h"

#include "VantorAgent/Sensors/SMCDecoder.h"

#include <QtEndian>

namespace {

constexpr quint32 fltType = SMCKeyData::code("flt ");
constexpr quint32 fpe2Type = SMCKeyData::code("fpe2");
constexpr quint32 sp78Type = SMCKeyData::code("sp78");
constexpr quint32 maximumKeyCount = 19999;

bool isTemperatureType(quint32 type)
{
    return type == fltType || type == sp78Type;
}

bool isFanType(quint32 type)
{
    return type == fltType || type == fpe2Type;
}

} // namespace

void SMCReader::fileTemperatureKey(quint32 code, std::vector<quint32>& list)
{
    list.push_back(code);
    nameOf(code);
}

void SMCReader::discoverTemperatureKeys()
{
    const auto count = read(keyCode(QStringLiteral("#KEY")));
    if (!count || count->size < 4)
        return;
    const quint32 keys = qFromBigEndian<quint32>(count->bytes.data());
    if (keys == 0 || keys > maximumKeyCount)
        return;
    // No value is read here: a key that later reads out of range simply yields nothing.
    for (quint32 index = 0; index < keys; ++index) {
        const auto code = key(index);
        if (!code)
            continue;
        const QString name = keyString(*code);
        const auto info = keyInfo(*code);
        if (!info)
            continue;
        if (name.startsWith(QLatin1Char('F')) && name.endsWith(QLatin1String("Ac")) && isFanType(info->dataType)) {
            m_fanKeys.push_back(*code);
            continue;
        }
        if (!name.startsWith(QLatin1Char('T')) || !isTemperatureType(info->dataType))
            continue;
        if (name.startsWith(QLatin1String("Tg")))
            fileTemperatureKey(*code, m_gpuKeys);
        else if (name.startsWith(QLatin1String("Tp")) || name.startsWith(QLatin1String("Te")))
            fileTemperatureKey(*code, m_cpuKeys);
        else
            fileTemperatureKey(*code, m_otherTemperatureKeys);
    }
}

void SMCReader::discoverKnownAppleSiliconKeys()
{
    static constexpr const char* prefixes[] = {"Tp", "Te", "Tg", "Tf", "TC", "TN", "TB", "Ts", "Ta", "Tm"};
    static constexpr char thirds[] = "0123456789M";
    static constexpr char fourths[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (const char* prefix : prefixes) {
        const QByteArrayView head(prefix);
        std::vector<quint32>& list = head == "Tg"            ? m_gpuKeys
            : (head == "Tp" || head == "Te" || head == "Tf") ? m_cpuKeys
                                                             : m_otherTemperatureKeys;
        for (const char third : QByteArrayView(thirds)) {
            for (const char fourth : QByteArrayView(fourths)) {
                const char name[] = {prefix[0], prefix[1], third, fourth};
                const quint32 code = SMCKeyData::code(std::string_view(name, 4));
                const auto info = keyInfo(code);
                if (!info || !isTemperatureType(info->dataType) || !readTemperature(code))
                    continue;
                fileTemperatureKey(code, list);
            }
        }
    }
    for (int n = 0; n <= 9; ++n) {
        const char name[] = {'F', char('0' + n), 'A', 'c'};
        const quint32 code = SMCKeyData::code(std::string_view(name, 4));
        const auto info = keyInfo(code);
        if (!info || !isFanType(info->dataType) || !readNumber(code))
            continue;
        m_fanKeys.push_back(code);
    }
}

void SMCReader::discoverPowerKeys()
{
    for (const PowerChannel channel : EnumCases<PowerChannel>::all) {
        const quint32 code = keyCode(::key(channel));
        const auto info = keyInfo(code);
        // The key's presence and type decide, not its value now: a battery's draw has a figure
        // only while the machine runs on the battery, and a laptop started on mains must still
        // know its system power once it is unplugged.
        if (!info || info->dataType != fltType)
            continue;
        m_powerKeys.emplace_back(channel, code);
    }
}
