#include "VantorAgent/Sensors/SMCDecoder.h"
#include "Platform/Sensors/SMCKeyData.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const quint32 flt = SMCKeyData::code("flt ");
const quint32 sp78 = SMCKeyData::code("sp78");
const quint32 fpe2 = SMCKeyData::code("fpe2");

QByteArray floatBytes(float value)
{
    QByteArray bytes(4, 0);
    std::memcpy(bytes.data(), &value, 4); // this machine is little-endian, as the controller
    return bytes;
}

} // namespace

TEST(SMCDecoder, KeyCodesAndNames)
{
    EXPECT_EQ(SMCDecoder::keyCode(u"#KEY"), 0x234B4559u);
    EXPECT_EQ(SMCDecoder::keyString(0x234B4559), QStringLiteral("#KEY"));
    EXPECT_EQ(SMCDecoder::keyString(0x54803050), QStringLiteral("????"));
    EXPECT_EQ(SMCDecoder::keyCode(u"TC"), 0x5443u); // shorter texts give smaller codes
    EXPECT_EQ(SMCDecoder::keyCode(u"TC0PX"), SMCDecoder::keyCode(u"TC0P"));
    EXPECT_EQ(SMCDecoder::keyString(SMCDecoder::keyCode(u"flt ")), QStringLiteral("flt "));
}

TEST(SMCDecoder, Temperatures)
{
    EXPECT_EQ(SMCDecoder::temperature(sp78, QByteArray::fromHex("2d80")), 45.5);
    EXPECT_FALSE(SMCDecoder::temperature(sp78, QByteArray::fromHex("ff00"))); // −1
    EXPECT_FALSE(SMCDecoder::temperature(sp78, QByteArray::fromHex("0000"))); // 0 is no reading
    EXPECT_FALSE(SMCDecoder::temperature(flt, floatBytes(150.0f)));
    EXPECT_NEAR(*SMCDecoder::temperature(flt, floatBytes(149.9f)), 149.9, 1e-4);
    EXPECT_FALSE(SMCDecoder::temperature(flt, floatBytes(std::numeric_limits<float>::quiet_NaN())));
    EXPECT_FALSE(SMCDecoder::temperature(flt, QByteArray::fromHex("2d80"))); // a float needs four bytes
    EXPECT_FALSE(SMCDecoder::temperature(sp78, QByteArray::fromHex("2d")));
    EXPECT_FALSE(SMCDecoder::temperature(fpe2, QByteArray::fromHex("1f40")));
}

TEST(SMCDecoder, Numbers)
{
    EXPECT_EQ(SMCDecoder::number(fpe2, QByteArray::fromHex("1f40")), 2000.0);
    EXPECT_EQ(SMCDecoder::number(flt, floatBytes(2180.5f)), 2180.5);
    EXPECT_FALSE(SMCDecoder::number(flt, QByteArray::fromHex("1f40")));
    EXPECT_FALSE(SMCDecoder::number(sp78, QByteArray::fromHex("1f40")));
}

TEST(SMCDecoder, CategoriesAreCaseSensitive)
{
    EXPECT_EQ(SMCDecoder::category(u"Tp01"), SensorCategory::cpu);
    EXPECT_EQ(SMCDecoder::category(u"Tf04"), SensorCategory::cpu);
    EXPECT_EQ(SMCDecoder::category(u"TU0P"), SensorCategory::gpu);
    EXPECT_EQ(SMCDecoder::category(u"TM0P"), SensorCategory::memory);
    EXPECT_EQ(SMCDecoder::category(u"tm0P"), SensorCategory::other);
    EXPECT_EQ(SMCDecoder::category(u"TH0a"), SensorCategory::storage);
    EXPECT_EQ(SMCDecoder::category(u"TB0T"), SensorCategory::battery);
    EXPECT_EQ(SMCDecoder::category(u"TA0P"), SensorCategory::ambient);
    EXPECT_EQ(SMCDecoder::category(u"TC0P"), SensorCategory::other);
    EXPECT_EQ(SMCDecoder::category(u"T"), SensorCategory::other);
}
