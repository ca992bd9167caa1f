#include "Platform/Sensors/HwmonBridge.h"

#include "Platform/Sensors/SysfsValue.h"

#include <QtEndian>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

namespace {

constexpr quint32 fltType = SMCKeyData::code("flt ");
constexpr quint32 countType = SMCKeyData::code("ui32");

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
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
