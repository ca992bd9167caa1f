#include "Platform/Sensors/HwmonBridge.h"
#include "Platform/Sensors/ApplesmcTransport.h"
#include "Platform/Sensors/EnergyRate.h"
#include "Platform/Sensors/HwmonChipTable.h"
#include "Platform/Sensors/SensorTransports.h"
#include "tests/support/FixtureTree.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The value of `name` as the bridge encodes it: a little-endian float, or the big-endian count.
std::optional<double> readKey(SMCTransport& transport, const char* name)
{
    SMCKeyData input;
    SMCKeyData info;
    input.key = SMCKeyData::code(name);
    input.data8 = SMCKeyData::keyInfoCommand;
    if (transport.call(input, info) != SMCTransport::success)
        return std::nullopt;
    input.data8 = SMCKeyData::readBytesCommand;
    input.keyInfo = info.keyInfo;
    SMCKeyData output;
    if (transport.call(input, output) != SMCTransport::success)
        return std::nullopt;
    if (info.keyInfo.dataType == SMCKeyData::code("ui32"))
        return qFromBigEndian<quint32>(output.bytes);
    float value = 0;
    const quint32 bits = qFromLittleEndian<quint32>(output.bytes);
    std::memcpy(&value, &bits, 4);
    return value;
}

class HwmonBridgeTest : public ::testing::Test {
protected:
    std::unique_ptr<HwmonBridge> make(const FixtureTree& tree)
    {
        HwmonBridge::Options options;
        options.sysRoot = tree.root();
        options.clock = [this] { return now; };
        options.wait = [this](double seconds) {
            waited += seconds;
            now += seconds;
        };
        return std::make_unique<HwmonBridge>(options);
    }
    double now = 100;
    double waited = 0;
};

} // namespace

TEST_F(HwmonBridgeTest, FilesEveryReadableSensorOfADesktopUnderItsCategoryPrefix)
{
    FixtureTree tree(QStringLiteral("sensors/desktop"));
    const auto bridge = make(tree);
    const QList<QByteArray> expected {"#KEY", "Ta00", "Ta01", "Tp00", "Tp01", "Tp02", "Tp03", "TN00", "TN01", "Tg00",
        "F0Ac", "F0Mn", "F0Mx", "Ts00", "F1Ac", "F1Mn", "F1Mx", "F2Ac", "Tm00", "PPMC", "P3F2"};
    EXPECT_EQ(bridge->keyNames(), expected);
    EXPECT_EQ(readKey(*bridge, "#KEY"), 21.0);
    EXPECT_FLOAT_EQ(readKey(*bridge, "Tp02").value_or(-999), 51.0f); // temp3 of coretemp: numbered 1, 2, 3, 10
    EXPECT_FLOAT_EQ(readKey(*bridge, "Tp03").value_or(-999), 44.0f);
    EXPECT_FLOAT_EQ(readKey(*bridge, "Ta01").value_or(-999), -273.0f); // garbage is passed on; the reader judges it
    EXPECT_FLOAT_EQ(readKey(*bridge, "F1Mx").value_or(-999), 1800.0f);
    EXPECT_FLOAT_EQ(readKey(*bridge, "F2Ac").value_or(-999), 0.0f);
    EXPECT_FLOAT_EQ(readKey(*bridge, "P3F2").value_or(-999), 35.25f);
    EXPECT_FALSE(readKey(*bridge, "PSTR")); // no power meter, no battery

    // Values are read again on every read; a sensor that stops answering yields nothing.
    tree.write(QStringLiteral("class/hwmon/hwmon1/temp1_input"), "47500\n");
    EXPECT_FLOAT_EQ(readKey(*bridge, "Tp00").value_or(-999), 47.5f);
    tree.write(QStringLiteral("class/hwmon/hwmon1/temp1_input"), "");
    EXPECT_FALSE(readKey(*bridge, "Tp00"));
}

TEST_F(HwmonBridgeTest, TurnsThePackageEnergyCounterIntoWatts)
{
    FixtureTree tree(QStringLiteral("sensors/desktop"));
    const auto bridge = make(tree);
    // The very first read comes right after the baseline: it waits the rest of the minimum
    // interval once, then gives a figure.
    now += 0.01;
    EXPECT_FLOAT_EQ(readKey(*bridge, "PPMC").value_or(-999), 0.0f);
    EXPECT_NEAR(waited, EnergyRate::minimumInterval - 0.01, 1e-9);

    tree.write(QStringLiteral("class/powercap/intel-rapl:0/energy_uj"), "13000000\n");
    now += 2;
    EXPECT_FLOAT_EQ(readKey(*bridge, "PPMC").value_or(-999), 6.0f);
    // Read again at once: the same figure, not a rate over microseconds.
    EXPECT_FLOAT_EQ(readKey(*bridge, "PPMC").value_or(-999), 6.0f);
    const double before = waited;
    now += 1;
    readKey(*bridge, "PPMC");
    EXPECT_EQ(waited, before);
}

TEST(EnergyRate, HandlesWrapAroundAndCountersGoingBackwards)
{
    EnergyRate wrapping(1'000'000);
    EXPECT_FALSE(wrapping.watts(0, 900'000));
    EXPECT_DOUBLE_EQ(*wrapping.watts(1, 400'000), 0.5); // 100 000 to the wrap, 400 000 after it

    EnergyRate unknownRange;
    unknownRange.watts(0, 900'000);
    EXPECT_DOUBLE_EQ(*unknownRange.watts(1, 400'000), 0.0);
    EXPECT_DOUBLE_EQ(*unknownRange.watts(2, 2'400'000), 2.0);
}

TEST_F(HwmonBridgeTest, ALaptopGetsBatteryDrawProcessorEnergyAndGraphicsPower)
{
    FixtureTree tree(QStringLiteral("sensors/laptop"));
    const auto bridge = make(tree);
    const QList<QByteArray> expected {"#KEY", "TB00", "Tp00", "Tp01", "F0Ac", "Tg00", "PSTR", "PPMC", "P3F2"};
    EXPECT_EQ(bridge->keyNames(), expected);
    EXPECT_NEAR(readKey(*bridge, "PSTR").value_or(-999), 1.523 * 11.4, 1e-4);
    EXPECT_FLOAT_EQ(readKey(*bridge, "P3F2").value_or(-999), 4.5f);

    // Only the socket counter is summed: the core counters are part of it.
    now += 1;
    readKey(*bridge, "PPMC");
    tree.write(QStringLiteral("class/hwmon/hwmon1/energy1_input"), "5000000\n");
    tree.write(QStringLiteral("class/hwmon/hwmon1/energy2_input"), "21000000\n");
    now += 2;
    EXPECT_FLOAT_EQ(readKey(*bridge, "PPMC").value_or(-999), 6.0f);

    // Plugged in: the system draw is unknown, not zero.
    tree.write(QStringLiteral("class/power_supply/BAT0/status"), "Charging\n");
    EXPECT_FALSE(readKey(*bridge, "PSTR"));
}

TEST_F(HwmonBridgeTest, ServesApplesmcUnderItsOwnKeyNamesWhenTheCursorIsNotWritable)
{
    FixtureTree tree(QStringLiteral("sensors/applesmc"));
    const QString cursor = tree.path(QStringLiteral("devices/platform/applesmc.768/key_at_index"));
    QFile::setPermissions(cursor, QFile::ReadOwner);
    if (ApplesmcTransport::cursorWritable(tree.root()))
        tree.remove(QStringLiteral("devices/platform/applesmc.768/key_at_index")); // root may write anything
    ASSERT_FALSE(ApplesmcTransport::cursorWritable(tree.root()));
    const auto opened = SensorTransports::open(tree.root());
    ASSERT_EQ(opened.kind, SensorTransports::Kind::hwmon);
    const auto& bridge = static_cast<HwmonBridge&>(*opened.transport);
    const QList<QByteArray> expected {"#KEY", "TC0P", "TB0T", "TG0P", "F0Ac", "F0Mn", "F0Mx"};
    EXPECT_EQ(bridge.keyNames(), expected);
    EXPECT_FLOAT_EQ(readKey(*opened.transport, "TC0P").value_or(-999), 47.25f);
}

namespace {

// The driver's cursor emulated on the fixture: moving it rewrites the key_at_index_* files, as
// the driver answers for the key at that index.
class FixtureApplesmc : public ApplesmcTransport {
public:
    struct Key {
        QByteArray name, type, data;
    };
    FixtureApplesmc(const FixtureTree& tree, QList<Key> keys)
        : ApplesmcTransport(tree.root())
        , m_tree(tree)
        , m_keys(std::move(keys))
    {
        m_tree.write(QStringLiteral("devices/platform/applesmc.768/key_count"), QByteArray::number(m_keys.size()));
    }
    int moves = 0;

protected:
    bool selectIndex(quint32 index) override
    {
        ++moves;
        if (!ApplesmcTransport::selectIndex(index) || index >= quint32(m_keys.size()))
            return false;
        const Key& key = m_keys[index];
        const QString dir = QStringLiteral("devices/platform/applesmc.768/");
        m_tree.write(dir + QStringLiteral("key_at_index_name"), key.name + '\n');
        m_tree.write(dir + QStringLiteral("key_at_index_type"), key.type + '\n');
        m_tree.write(dir + QStringLiteral("key_at_index_data_length"), QByteArray::number(key.data.size()) + '\n');
        m_tree.write(dir + QStringLiteral("key_at_index_data"), key.data);
        return true;
    }

private:
    const FixtureTree& m_tree;
    QList<Key> m_keys;
};

} // namespace

TEST(ApplesmcTransport, BuildsTheNameTableOnceAndReadsByName)
{
    FixtureTree tree(QStringLiteral("sensors/applesmc"));
    FixtureApplesmc smc(tree,
        {{"TC0P", "sp78", QByteArray::fromHex("2d80")}, {"F0Ac", "fpe2", QByteArray::fromHex("1f40")},
            {"TB0T", "flt ", QByteArray::fromHex("00001c42")}});
    EXPECT_EQ(smc.keyCount(), 3);
    const int movesForTable = smc.moves;
    EXPECT_EQ(movesForTable, 3);

    SMCKeyData input;
    SMCKeyData output;
    input.data8 = SMCKeyData::keyInfoCommand;
    input.key = SMCKeyData::code("TB0T");
    ASSERT_EQ(smc.call(input, output), SMCTransport::success);
    EXPECT_EQ(output.keyInfo.dataType, SMCKeyData::code("flt ")); // the trailing space survives
    EXPECT_EQ(smc.moves, movesForTable); // information comes from the table

    input.key = SMCKeyData::code("TC0P");
    input.data8 = SMCKeyData::readBytesCommand;
    input.keyInfo.dataSize = 2;
    output = {};
    ASSERT_EQ(smc.call(input, output), SMCTransport::success);
    EXPECT_EQ(output.bytes[0], 0x2d);
    EXPECT_EQ(output.bytes[1], 0x80);

    input.key = SMCKeyData::code("TX0P");
    EXPECT_NE(smc.call(input, output), SMCTransport::success);
}

TEST(SensorTransports, AVirtualMachineHasNoneAndATableReplacesTheLiveSensors)
{
    FixtureTree empty(QStringLiteral("sys-sample"));
    EXPECT_EQ(SensorTransports::open(empty.root()).kind, SensorTransports::Kind::none);
    EXPECT_FALSE(SensorTransports::open(empty.root()).transport);

    const QString table = QStringLiteral(VANTOR_TEST_DATA "/sensors/laptop.table");
    EXPECT_EQ(SensorTransports::open(empty.root(), table).kind, SensorTransports::Kind::recordedTable);
    // A table that cannot be read is no reason to fall back to the live sensors.
    FixtureTree desktop(QStringLiteral("sensors/desktop"));
    EXPECT_EQ(
        SensorTransports::open(desktop.root(), table + QStringLiteral(".missing")).kind, SensorTransports::Kind::none);
    EXPECT_EQ(SensorTransports::open(desktop.root()).kind, SensorTransports::Kind::hwmon);
}

TEST(HwmonChipTable, MatchesChipNamesByPrefix)
{
    const auto prefix = [](const char* name) { return QByteArray(HwmonChipTable::row(name).keyPrefix); };
    EXPECT_EQ(prefix("cpu0_thermal"), "Tp");
    EXPECT_EQ(prefix("k10temp"), "Tp");
    EXPECT_EQ(prefix("gpu_thermal"), "Tg");
    EXPECT_EQ(prefix("nvme"), "TN");
    EXPECT_EQ(prefix("BAT1"), "TB");
    EXPECT_EQ(prefix("spd5118"), "Tm");
    EXPECT_EQ(prefix("acpitz"), "Ta");
    EXPECT_EQ(prefix("iwlwifi_1"), "Ts");
    EXPECT_EQ(prefix(""), "Ts");
    EXPECT_EQ(HwmonChipTable::row("power_meter").role, HwmonChipTable::Role::powerMeter);
    EXPECT_EQ(HwmonChipTable::row("applesmc").role, HwmonChipTable::Role::controller);
}
