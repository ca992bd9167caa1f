#include "VantorAgent/Sensors/SMCDecoder.h"

#include "Platform/Sensors/SMCKeyData.h"

#include <QtEndian>

#include <cstring>

namespace SMCDecoder {
namespace {

constexpr quint32 fltType = SMCKeyData::code("flt ");
constexpr quint32 fpe2Type = SMCKeyData::code("fpe2");
constexpr quint32 sp78Type = SMCKeyData::code("sp78");

double littleEndianFloat(QByteArrayView bytes)
{
    const quint32 bits = qFromLittleEndian<quint32>(bytes.data());
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return double(value);
}

} // namespace

quint32 keyCode(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    quint32 code = 0;
    for (qsizetype i = 0; i < utf8.size() && i < 4; ++i)
        code = code * 256 + quint8(utf8[i]);
    return code;
}

QString keyString(quint32 code)
{
    QString text(4, QLatin1Char(' '));
    for (int i = 0; i < 4; ++i) {
        const auto byte = quint8(code >> (24 - 8 * i));
        if (byte >= 0x80)
            return QStringLiteral("????");
        text[i] = QLatin1Char(char(byte));
    }
    return text;
}

std::optional<double> number(quint32 dataType, QByteArrayView bytes)
{
    if (dataType == fltType && bytes.size() >= 4)
        return littleEndianFloat(bytes);
    if (dataType == fpe2Type && bytes.size() >= 2)
        return qFromBigEndian<quint16>(bytes.data()) / 4.0;
    return std::nullopt;
}

std::optional<double> temperature(quint32 dataType, QByteArrayView bytes)
{
    if (bytes.size() < 2)
        return std::nullopt;
    double value = 0;
    if (dataType == fltType && bytes.size() >= 4)
        value = littleEndianFloat(bytes);
    else if (dataType == sp78Type)
        value = qFromBigEndian<qint16>(bytes.data()) / 256.0;
    else
        return std::nullopt;
    // A sensor that is absent or broken reads 0, negative or absurdly hot; NaN fails both tests.
    if (!(value > 0 && value < 150))
        return std::nullopt;
    return value;
}

SensorCategory category(QStringView key)
{
    const QStringView prefix = key.left(2);
    const auto is = [prefix](const char* text) { return prefix == QLatin1String(text); };
    if (is("Tp") || is("Te") || is("Tf"))
        return SensorCategory::cpu;
    if (is("Tg") || is("TU"))
        return SensorCategory::gpu;
    if (is("Tm") || is("TM"))
        return SensorCategory::memory;
    if (is("TN") || is("TH"))
        return SensorCategory::storage;
    if (is("TB"))
        return SensorCategory::battery;
    if (is("Ta") || is("TA"))
        return SensorCategory::ambient;
    return SensorCategory::other;
}

} // namespace SMCDecoder
