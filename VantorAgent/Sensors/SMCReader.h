#pragma once

#include "Platform/Sensors/SMCKeyData.h"
#include "Platform/Sensors/SMCTransport.h"
#include "VantorAgent/Sampling/SamplingPlan.h"
#include "VantorAgent/Sensors/FanReading.h"
#include "VantorAgent/Sensors/PowerReading.h"
#include "VantorAgent/Sensors/SensorCategory.h"
#include "VantorAgent/Sensors/TemperatureReading.h"

#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The reader of the system management controller: which keys hold temperatures, fan speeds and
// power (found once, when the reader is made), and their values on demand. It talks to the
// controller through a transport and does not know which one.
//
// Discovery runs on the thread that makes the reader; afterwards the reader is used by one thread
// at a time (the sampling engine's sensor job) and has no lock.
class SMCReader {
public:
    using SMCScope = SamplingPlan::SMCScope;

    // A key's value as the controller gave it: its type and exactly `size` bytes.
    struct Value {
        quint32 dataType = 0;
        quint32 size = 0;
        std::array<quint8, SMCKeyData::maximumDataSize> bytes {};
        QByteArrayView view() const { return QByteArrayView(bytes.data(), qsizetype(size)); }
    };

    // A reader over `transport` with its discovery done; none without a transport.
    static std::unique_ptr<SMCReader> open(std::unique_ptr<SMCTransport> transport);
    explicit SMCReader(std::unique_ptr<SMCTransport> transport);
    ~SMCReader();
    SMCReader(const SMCReader&) = delete;
    SMCReader& operator=(const SMCReader&) = delete;

    // One exchange with the controller; 0 is success. Both records start all zero.
    int call(const SMCKeyData& input, SMCKeyData& output);
    std::optional<quint32> key(quint32 index);
    std::optional<SMCKeyData::KeyInfo> keyInfo(quint32 key);
    // Two exchanges: the key's information, then its bytes; none when the size is 0 or above 32.
    std::optional<Value> read(quint32 key);
    std::optional<double> readNumber(quint32 key);
    std::optional<double> readTemperature(quint32 key);

    static quint32 keyCode(QStringView text);
    static QString keyString(quint32 code);
    static SensorCategory category(QStringView key);

    // Discovery; the constructor runs these, in this order (the candidate search only when the
    // enumeration found no temperature key).
    void discoverTemperatureKeys();
    void discoverKnownAppleSiliconKeys();
    void discoverPowerKeys();

    // Temperatures of the keys the scope covers, in key order; keys without a value left out.
    QList<TemperatureReading> temperatures(SMCScope scope);
    QList<FanReading> fans();
    QList<PowerReading> power();
    // A fan limit: the value when above 0 and below 20000 rpm.
    std::optional<double> plausibleRPM(quint32 key);

    const std::vector<quint32>& cpuKeys() const { return m_cpuKeys; }
    const std::vector<quint32>& gpuKeys() const { return m_gpuKeys; }
    const std::vector<quint32>& otherTemperatureKeys() const { return m_otherTemperatureKeys; }
    const std::vector<quint32>& fanKeys() const { return m_fanKeys; }
    const std::vector<std::pair<PowerChannel, quint32>>& powerKeys() const { return m_powerKeys; }

    // Whether any discovered temperature key carries `category` (by its name).
    bool hasTemperatureCategory(SensorCategory category) const;
    bool hasAnyGroupedTemperature() const;
    bool hasPowerChannel(PowerChannel channel) const;

private:
    void appendTemperatures(const std::vector<quint32>& keys, QList<TemperatureReading>& readings);
    // The names and categories of keys are worked out once, not on every read.
    const QString& nameOf(quint32 code);
    void fileTemperatureKey(quint32 code, std::vector<quint32>& list);

    std::unique_ptr<SMCTransport> m_transport;
    std::vector<quint32> m_cpuKeys;
    std::vector<quint32> m_gpuKeys;
    std::vector<quint32> m_otherTemperatureKeys;
    std::vector<quint32> m_fanKeys;
    std::vector<std::pair<PowerChannel, quint32>> m_powerKeys;
    struct Named {
        QString name;
        SensorCategory category = SensorCategory::other;
    };
    QHash<quint32, Named> m_names;
    // Limit keys of the fan at each position: F<i>Mn, F<i>Mx.
    std::vector<std::pair<quint32, quint32>> m_fanLimitKeys;
};
