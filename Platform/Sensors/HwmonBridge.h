#pragma once

#include "Platform/Kernel/ProcFile.h"
#include "Platform/Power/PowerSupplyRegistry.h"
#include "Platform/Sensors/EnergyRate.h"
#include "Platform/Sensors/SMCTransport.h"

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

// Presents the machine's hwmon sensors as controller keys, so that the controller's reader works
// unchanged on any Linux machine.
//
// - Every readable temperature (tempN_input, millidegrees) becomes a "flt " key named by the chip's
//   category prefix (HwmonChipTable) and two index characters: Tp00, Tp01, Tg00, TN00, …; the
//   applesmc chip keeps the controller's own key names, which it gives as its labels.
// - Fans (fanN_input, fanN_min, fanN_max) become F<n>Ac, F<n>Mn, F<n>Mx, n counting fans from 0
//   across chips (at most ten: the key has room for one digit).
// - Power: PSTR the whole system (a power meter chip, else the battery's draw while discharging);
//   PPMC the processor package (the RAPL energy counters under powercap when readable, else a
//   processor chip's power inputs, else its energy counters); P3F2 the GPU chip's power.
// - "#KEY" gives the number of keys.
//
// Values are 4-byte little-endian floats, as the controller's own "flt " keys. Files are opened
// once, when the bridge is made, and re-read on every read.
class HwmonBridge : public SMCTransport {
public:
    struct Options {
        QString sysRoot = QStringLiteral("/sys");
        // Seconds on a steady clock, for turning energy counters into watts.
        std::function<double()> clock;
        // Waits the given seconds; used once, so that the first read of an energy counter can
        // give a figure.
        std::function<void(double)> wait;
    };

    explicit HwmonBridge(Options options);
    HwmonBridge();
    ~HwmonBridge() override;

    // Keys besides "#KEY".
    int sensorCount() const { return int(m_keys.size()) - 1; }
    // The keys in index order, as four-character names.
    QList<QByteArray> keyNames() const;

protected:
    std::optional<quint32> keyAtIndex(quint32 index) override;
    std::optional<SMCKeyData::KeyInfo> keyInformation(quint32 key) override;
    bool readBytes(quint32 key, quint32 size, quint32 type, quint8* bytes) override;

private:
    struct Counter {
        ProcFile file;
        EnergyRate rate;
    };
    enum class Source { keyCount, files, counters, batteryDischarge };
    struct Key {
        quint32 code = 0;
        Source source = Source::files;
        double scale = 1; // value of the files × scale = the key's value
        std::vector<ProcFile> files; // summed
        std::vector<Counter> counters; // summed watts
    };

    struct Chip;
    // The first source found for each power key; the processor's energy counters serve only
    // when neither RAPL nor a power input does.
    struct PowerCandidates {
        std::optional<Key> system, processor, processorEnergy, graphics;
    };

    void scanHwmon();
    void addTemperatures(const Chip& chip, QHash<QByteArray, int>& nextIndex);
    void addFans(const Chip& chip, int& fans);
    void collectPower(const Chip& chip, PowerCandidates& power);
    void scanPowercap(std::vector<Counter>& rapl);
    bool add(Key key);
    std::optional<double> value(Key& key);
    std::optional<double> counterWatts(std::vector<Counter>& counters);

    Options m_options;
    std::vector<Key> m_keys;
    QHash<quint32, size_t> m_byCode;
    PowerSupplyRegistry m_supplies;
};
