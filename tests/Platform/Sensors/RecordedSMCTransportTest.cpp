#include "Platform/Sensors/RecordedSMCTransport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

SMCKeyData command(quint8 data8, quint32 key = 0, quint32 size = 0, quint32 index = 0)
{
    SMCKeyData input;
    input.data8 = data8;
    input.key = key;
    input.keyInfo.dataSize = size;
    input.data32 = index;
    return input;
}

} // namespace

TEST(RecordedSMCTransport, AnswersTheThreeCommandsInFileOrder)
{
    RecordedSMCTransport table("// comment\r\n\nTC0P sp78 2d80\nF0Ac flt  00 80 3b 45\n");
    EXPECT_EQ(table.skippedLines(), 0);
    SMCKeyData out;
    ASSERT_EQ(table.call(command(SMCKeyData::keyAtIndexCommand, 0, 0, 1), out), SMCTransport::success);
    EXPECT_EQ(out.key, SMCKeyData::code("F0Ac"));
    out = {};
    EXPECT_NE(table.call(command(SMCKeyData::keyAtIndexCommand, 0, 0, 2), out), SMCTransport::success);

    out = {};
    ASSERT_EQ(table.call(command(SMCKeyData::keyInfoCommand, SMCKeyData::code("F0Ac")), out), SMCTransport::success);
    EXPECT_EQ(out.keyInfo.dataSize, 4u);
    EXPECT_EQ(out.keyInfo.dataType, SMCKeyData::code("flt "));

    out = {};
    ASSERT_EQ(
        table.call(command(SMCKeyData::readBytesCommand, SMCKeyData::code("TC0P"), 2), out), SMCTransport::success);
    EXPECT_EQ(out.bytes[0], 0x2d);
    EXPECT_EQ(out.bytes[1], 0x80);

    // Without a recorded "#KEY" the table counts its own keys.
    out = {};
    ASSERT_EQ(
        table.call(command(SMCKeyData::readBytesCommand, SMCKeyData::code("#KEY"), 4), out), SMCTransport::success);
    EXPECT_EQ(out.bytes[3], 2);
}

TEST(RecordedSMCTransport, SkipsMalformedLinesAndKeepsTheFirstOfARepeatedKey)
{
    RecordedSMCTransport table("TC0P sp78 2d8\n" // half a byte
                               "TC0P  sp78 2d80\n" // misaligned
                               "TC0P sp78 zz\n" // not hex
                               "T\x01"
                               "0P sp78 00\n" // control character
                               "Ts0P sp78 2d80\n"
                               "Ts0P sp78 1100\n"
                               "#KEY ui32 00004e20\n");
    EXPECT_EQ(table.skippedLines(), 4);
    ASSERT_EQ(table.entries().size(), 2u);
    EXPECT_EQ(table.entries()[0].bytes, QByteArray::fromHex("2d80"));
    // A recorded "#KEY" is answered as recorded, however wrong it is.
    SMCKeyData out;
    ASSERT_EQ(
        table.call(command(SMCKeyData::readBytesCommand, SMCKeyData::code("#KEY"), 4), out), SMCTransport::success);
    EXPECT_EQ(out.bytes[2], 0x4e);
}

TEST(RecordedSMCTransport, NeverReadsPastTheRecordOrAnEmptyValue)
{
    const QByteArray long33 = "TL0P sp78 " + QByteArray(33, 'a').toHex() + "\nTE0P sp78 \nTS0P sp78 2d80\n";
    RecordedSMCTransport table(long33);
    ASSERT_EQ(table.entries().size(), 3u);
    SMCKeyData out;
    ASSERT_EQ(table.call(command(SMCKeyData::keyInfoCommand, SMCKeyData::code("TL0P")), out), SMCTransport::success);
    EXPECT_EQ(out.keyInfo.dataSize, 33u);
    out = {};
    EXPECT_NE(
        table.call(command(SMCKeyData::readBytesCommand, SMCKeyData::code("TL0P"), 33), out), SMCTransport::success);
    EXPECT_NE(
        table.call(command(SMCKeyData::readBytesCommand, SMCKeyData::code("TE0P"), 0), out), SMCTransport::success);
    // Asking for more bytes than were recorded fails rather than reading garbage.
    EXPECT_NE(
        table.call(command(SMCKeyData::readBytesCommand, SMCKeyData::code("TS0P"), 4), out), SMCTransport::success);
}

TEST(RecordedSMCTransport, LinesRoundTripAndFilesLoad)
{
    const QByteArray line = RecordedSMCTransport::line(
        SMCKeyData::code("F0Ac"), SMCKeyData::code("flt "), QByteArray::fromHex("00803b45"));
    EXPECT_EQ(line, QByteArray("F0Ac flt  00803b45"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("machine.table"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(line + '\n');
    file.close();
    const auto loaded = RecordedSMCTransport::load(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->entries().size(), 1u);
    EXPECT_FALSE(RecordedSMCTransport::load(dir.filePath(QStringLiteral("missing.table"))));
}
