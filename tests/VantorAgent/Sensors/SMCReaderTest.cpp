#include "VantorAgent/Sensors/SMCReader.h"
#include "tests/support/FakeSMCTransport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Scope = SamplingPlan::SMCScope;

QByteArray flt(float value)
{
    QByteArray bytes(4, 0);
    std::memcpy(bytes.data(), &value, 4);
    return bytes.toHex();
}

// A reader over a table; `transport` stays readable for counting.
struct Fixture {
    explicit Fixture(const QByteArray& table)
    {
        auto owned = std::make_unique<FakeSMCTransport>(table);
        transport = owned.get();
        reader = SMCReader::open(std::move(owned));
    }
    FakeSMCTransport* transport = nullptr;
    std::unique_ptr<SMCReader> reader;
};

QStringList names(const std::vector<quint32>& keys)
{
    QStringList list;
    for (const quint32 key : keys)
        list.append(SMCReader::keyString(key));
    return list;
}

} // namespace

TEST(SMCReader, EnumerationFilesKeysByNameAndType)
{
    Fixture f("Tg0f sp78 3200\n"
              "Tp01 flt  "
        + flt(61.5f)
        + "\n"
          "TB0T sp78 1e00\n"
          "Ts0P flt  "
        + flt(30.0f)
        + "\n"
          "Tf04 flt  "
        + flt(55.0f)
        + "\n"
          "TC0P ui16 0020\n" // not a temperature type
          "F0Ac fpe2 1f40\n"
          "F0Mn fpe2 12c0\n" // not a fan's current speed
          "F1Ac ui8  20\n"
          "PSTR flt  "
        + flt(12.0f) + "\n");
    SMCReader& reader = *f.reader;
    EXPECT_EQ(names(reader.gpuKeys()), QStringList {QStringLiteral("Tg0f")});
    EXPECT_EQ(names(reader.cpuKeys()), QStringList {QStringLiteral("Tp01")});
    EXPECT_EQ(names(reader.otherTemperatureKeys()), (QStringList {"TB0T", "Ts0P", "Tf04"}));
    EXPECT_EQ(names(reader.fanKeys()), QStringList {QStringLiteral("F0Ac")});

    const QList<TemperatureReading> full = reader.temperatures(Scope::full);
    ASSERT_EQ(full.size(), 5);
    EXPECT_EQ(full[0], (TemperatureReading {QStringLiteral("Tp01"), SensorCategory::cpu, 61.5}));
    EXPECT_EQ(full[1].key, QStringLiteral("Tg0f"));
    EXPECT_EQ(full[2].category, SensorCategory::battery);
    EXPECT_EQ(full[3].category, SensorCategory::other);
    EXPECT_EQ(full[4].category, SensorCategory::cpu); // Tf: listed as other, categorised by name

    // The menu bar never reads the other keys; none reads nothing at all.
    f.transport->readKeys.clear();
    EXPECT_EQ(reader.temperatures(Scope::menuBar).size(), 2);
    EXPECT_FALSE(f.transport->wasRead("TB0T"));
    const int calls = f.transport->readCalls + f.transport->infoCalls;
    EXPECT_TRUE(reader.temperatures(Scope::none).isEmpty());
    EXPECT_EQ(f.transport->readCalls + f.transport->infoCalls, calls);
}

TEST(SMCReader, KeyCountOutOfRangeMeansNoEnumeration)
{
    for (const char* count : {"00000000", "00004e20"}) {
        Fixture f(QByteArray("#KEY ui32 ") + count + "\nTa0P sp78 2000\n");
        EXPECT_EQ(f.transport->indexCalls, 0) << count;
        // The candidate search finds Ta0P by name instead.
        EXPECT_EQ(names(f.reader->otherTemperatureKeys()), QStringList {QStringLiteral("Ta0P")}) << count;
    }
    Fixture accepted("#KEY ui32 00004e1f\nTa0P sp78 2000\n"); // 19999
    EXPECT_GT(accepted.transport->indexCalls, 0);
}

TEST(SMCReader, CandidateSearchRunsOnlyWhenTheIndexFindsNoTemperature)
{
    Fixture indexed("Tp01 sp78 3000\n");
    EXPECT_LT(indexed.transport->infoCalls, 20);

    // An index with nothing but a fan: every candidate is asked, and survivors are read.
    Fixture searched("#KEY ui32 00000001\nTpM9 sp78 3000\nTe05 sp78 0000\nTf0z flt  " + flt(44.0f) + "\nTN0a flt  "
        + flt(35.0f) + "\nF3Ac fpe2 1f40\nF4Ac fpe2 0000\n");
    EXPECT_GE(searched.transport->infoCalls, 6820);
    EXPECT_EQ(names(searched.reader->cpuKeys()), (QStringList {"TpM9", "Tf0z"})); // Te05 reads 0: skipped
    EXPECT_EQ(names(searched.reader->otherTemperatureKeys()), QStringList {QStringLiteral("TN0a")});
    // A fan standing still reads 0 rpm, which is still a reading.
    EXPECT_EQ(names(searched.reader->fanKeys()), (QStringList {"F3Ac", "F4Ac"}));
}

TEST(SMCReader, SizesZeroAndAboveThirtyTwoAreNeverRead)
{
    Fixture f("Tp00 sp78 \nTp01 sp78 " + QByteArray(33, 'a').toHex() + "\n");
    EXPECT_EQ(names(f.reader->cpuKeys()), (QStringList {"Tp00", "Tp01"}));
    f.transport->readCalls = 0;
    EXPECT_TRUE(f.reader->temperatures(Scope::full).isEmpty());
    EXPECT_EQ(f.transport->readCalls, 0);
}

TEST(SMCReader, FansReadTheirLimitsByPosition)
{
    Fixture f("F1Ac flt  " + flt(7000) + "\nF0Ac flt  " + flt(1000) + "\nF2Ac flt  " + flt(20000) + "\nF0Mn flt  "
        + flt(1200) + "\nF0Mx flt  " + flt(6000) + "\nF1Mn flt  " + flt(0) + "\nF1Mx flt  " + flt(5000)
        + "\nTp01 sp78 3000\n");
    const QList<FanReading> fans = f.reader->fans();
    ASSERT_EQ(fans.size(), 2); // 20000 rpm is not a speed
    // F1Ac is first: its limits are F0Mn and F0Mx.
    EXPECT_EQ(fans[0].key, QStringLiteral("F1Ac"));
    EXPECT_EQ(fans[0].index, 0);
    EXPECT_EQ(fans[0].minimumRPM, 1200.0);
    EXPECT_EQ(fans[0].maximumRPM, 6000.0);
    EXPECT_EQ(fans[0].load(), 1.0);
    // A limit of 0 counts as absent, so this fan has no load.
    EXPECT_EQ(fans[1].key, QStringLiteral("F0Ac"));
    EXPECT_FALSE(fans[1].minimumRPM);
    EXPECT_EQ(fans[1].maximumRPM, 5000.0);
    EXPECT_FALSE(fans[1].load());
}

TEST(FanReading, Load)
{
    FanReading fan {QStringLiteral("F0Ac"), 0, 1000, 1200.0, 6000.0};
    EXPECT_EQ(fan.load(), 0.0);
    fan.rpm = 0;
    EXPECT_EQ(fan.load(), 0.0);
    fan.rpm = 3600;
    EXPECT_DOUBLE_EQ(*fan.load(), 0.5);
    fan.maximumRPM = 1200.0;
    EXPECT_FALSE(fan.load());
}

TEST(SMCReader, PowerChannelsNeedAFloatAndAPlausibleValue)
{
    Fixture f("PSTR fpe2 1f40\nPPMC flt  " + flt(0) + "\nP3F2 flt  " + flt(4.5f) + "\nTp01 sp78 3000\n");
    ASSERT_EQ(f.reader->powerKeys().size(), 2u); // PSTR of type fpe2 is not a power key
    EXPECT_EQ(f.reader->powerKeys()[0].first, PowerChannel::cpu);
    EXPECT_EQ(f.reader->power(), (QList<PowerReading> {{PowerChannel::cpu, 0.0}, {PowerChannel::gpu, 4.5}}));

    Fixture g("PSTR flt  " + flt(1000) + "\nPPMC flt  " + flt(0.5f) + "\nTp01 sp78 3000\n");
    ASSERT_EQ(g.reader->powerKeys().size(), 2u);
    const QList<PowerReading> power = g.reader->power();
    ASSERT_EQ(power.size(), 1); // exactly 1000 W is dropped from the sample
    EXPECT_EQ(power[0], (PowerReading {PowerChannel::cpu, 0.5}));
}
