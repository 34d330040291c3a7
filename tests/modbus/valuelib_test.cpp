#include "modbus/valuelib.h"

#include <gtest/gtest.h>

using namespace valuelib;

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(text);
}

} // namespace

TEST(ValueLibTest, Crc16MatchesPublishedCheckValues)
{
    struct Row {
        const char* where;
        QByteArray data;
        quint16 crc;
    };
    const Row rows[] = {
        // the CRC-16/MODBUS catalogue check value of "123456789"
        {"catalogue check", QByteArrayLiteral("123456789"), 0x4B37},
        // Modbus over serial line guide: read 2 holding registers at 0 of slave 1, sent C4h 0Bh
        {"read request", Hex("010300000002"), 0x0BC4},
        {"empty data keeps the start value", QByteArray(), 0xFFFF},
    };
    for (const Row& row : rows)
        EXPECT_EQ(CRC16(row.data, static_cast<qint32>(row.data.size())) & 0xFFFF, row.crc) << row.where;
    // only `count` bytes count, and never more than there are
    EXPECT_EQ(CRC16(Hex("010300000002FFFF"), 6), 0x0BC4);
    EXPECT_EQ(CRC16(Hex("010300000002"), 600), 0x0BC4);
    EXPECT_EQ(CRC16(Hex("010300000002"), -1), 0xFFFF);
}

TEST(ValueLibTest, EveryTypeInEveryOfferedOrder)
{
    struct Row {
        int type;
        int order;
        const char* bytes;
        const char* text;
    };
    const Row rows[] = {
        {kInt16, kAsReceived, "FFFE", "-2"},
        {kInt16, kReversed, "FEFF", "-2"},
        {kUInt16, kAsReceived, "FFFE", "65534"},
        {kUInt16, kReversed, "0201", "258"},
        {kInt32, kAsReceived, "FFFFFFFE", "-2"},
        {kInt32, kReversed, "04030201", "16909060"},
        {kInt32, kRegistersSwapped, "03040102", "16909060"},
        {kInt32, kBytesSwapped, "02010403", "16909060"},
        {kUInt32, kAsReceived, "FFFFFFFF", "4294967295"},
        {kUInt32, kRegistersSwapped, "FFFF0000", "65535"},
        {kInt64, kAsReceived, "FFFFFFFFFFFFFFFF", "-1"},
        {kInt64, kReversed, "0807060504030201", "72623859790382856"},
        {kUInt64, kAsReceived, "FFFFFFFFFFFFFFFF", "18446744073709551615"},
        {kUInt64, kReversed, "0100000000000000", "1"},
        // 1.5f is 3FC00000h
        {kFloat, kAsReceived, "3FC00000", "1.5"},
        {kFloat, kReversed, "0000C03F", "1.5"},
        {kFloat, kRegistersSwapped, "00003FC0", "1.5"},
        {kFloat, kBytesSwapped, "C03F0000", "1.5"},
        // 0.1f in the shortest text that reads back as the same float
        {kFloat, kAsReceived, "3DCCCCCD", "0.1"},
        {kFloat, kAsReceived, "7FC00000", "NaN"},
        {kFloat, kAsReceived, "FF800000", "-Inf"},
        // 0.1 as a double is 3FB999999999999Ah
        {kDFloat, kAsReceived, "3FB999999999999A", "0.1"},
        {kDFloat, kReversed, "9A9999999999B93F", "0.1"},
        {kDFloat, kRegistersSwapped, "999A999999993FB9", "0.1"},
        {kDFloat, kBytesSwapped, "B93F999999999A99", "0.1"},
        {kChar2, kAsReceived, "4142", "AB"},
        {kChar2 + 2, kAsReceived, "414243444546", "ABCDEF"},
        {kChar16, kAsReceived, "48656C6C6F2C20776F726C6421202020", "Hello, world!"},
        {kChar2 + 1, kAsReceived, "20204142", "AB"}, // blanks before the text go too
        // unprintable bytes and the backslash are shown, not hidden
        {kChar2 + 1, kAsReceived, "41005CFF", "A\\x00\\\\\\xFF"},
    };
    for (const Row& row : rows) {
        const QByteArray bytes = Hex(row.bytes);
        EXPECT_EQ(ValueText(bytes, row.type, row.order, ValueTypeBytes(row.type)), QString::fromLatin1(row.text))
            << "type " << row.type << " order " << row.order << " bytes " << row.bytes;
    }
}

TEST(ValueLibTest, ShortDataUnknownCodesAndTheBuffer)
{
    // data that end inside the value: only the bytes given, and that it is short
    EXPECT_EQ(ValueText(Hex("0102"), kInt32, kAsReceived, 4), QStringLiteral("01 02 (2 of 4 bytes)"));
    EXPECT_EQ(ValueText(Hex("01020304"), kInt32, kAsReceived, 2), QStringLiteral("01 02 (2 of 4 bytes)"));
    EXPECT_EQ(ValueText(QByteArray(), kInt16, kAsReceived, 2), QStringLiteral("(0 of 2 bytes)"));
    EXPECT_EQ(ValueText(Hex("0102"), 16, kAsReceived, 2), QStringLiteral("Unknown data type 16"));
    EXPECT_EQ(ValueText(Hex("0102"), kInt16, 4, 2), QStringLiteral("Unknown word order 4"));

    // the feature protocol's bus voltage: INT16 "BA" from two bytes of a frame
    EXPECT_EQ(ValueText(Hex("E600"), kInt16, kReversed, 2).toInt(), 230);

    // the text starts at the first character, the rest stays blank, nothing past the end
    QByteArray buffer(4, ' ');
    FillString(Hex("FFFFFFFF"), kUInt32, kAsReceived, buffer, 4);
    EXPECT_EQ(buffer, QByteArrayLiteral("4294"));
    QByteArray blanks(kBufferSize, ' ');
    FillString(Hex("0001"), kInt16, kAsReceived, blanks, 2);
    EXPECT_EQ(blanks.left(2), QByteArrayLiteral("1 "));
    EXPECT_EQ(blanks.size(), kBufferSize);

    EXPECT_EQ(ValueTypeBytes(kChar2), 2);
    EXPECT_EQ(ValueTypeBytes(kChar16), 16);
    EXPECT_EQ(ValueTypeBytes(-1), 0);
}
