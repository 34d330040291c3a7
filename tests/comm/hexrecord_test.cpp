#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/hexrecord.h"
#include "base/inifile.h"
#include "base/trafficlog.h"

#include <gtest/gtest.h>

namespace {
// ':' LL AAAA TT data CC with the two's complement checksum of the pairs.
QString Record(int address, const QByteArray& data)
{
    QByteArray pairs;
    pairs.append(static_cast<char>(data.size()));
    pairs.append(static_cast<char>(address >> 8));
    pairs.append(static_cast<char>(address & 0xFF));
    pairs.append('\0');
    pairs.append(data);
    quint8 sum = 0;
    for (const char byte : pairs)
        sum = static_cast<quint8>(sum + static_cast<quint8>(byte));
    pairs.append(static_cast<char>(static_cast<quint8>(0x100 - sum)));
    return u':' + QString::fromLatin1(pairs.toHex().toUpper());
}
} // namespace

TEST(HexRecordLine, TakesGoodRecordsInOrderOnly)
{
    QByteArray buffer("HEAD"); // the reader's 4-byte start
    EXPECT_TRUE(ParseHexRecordLine(Record(0, QByteArray::fromHex("0102030405060708")), buffer));
    EXPECT_EQ(buffer, QByteArray("HEAD") + QByteArray::fromHex("0102030405060708"));
    EXPECT_FALSE(ParseHexRecordLine(Record(0, QByteArray::fromHex("AA")), buffer)); // again: out of order
    EXPECT_FALSE(ParseHexRecordLine(Record(16, QByteArray::fromHex("AA")), buffer)); // a gap
    EXPECT_TRUE(ParseHexRecordLine(Record(8, QByteArray::fromHex("AABB")), buffer));
    EXPECT_EQ(buffer.size(), 14);
    // lower-case digits are hex digits too
    EXPECT_TRUE(ParseHexRecordLine(Record(10, QByteArray::fromHex("01")).toLower(), buffer));
}

TEST(HexRecordLine, RejectsDamagedLines)
{
    QString badChecksum = Record(0, QByteArray::fromHex("0102"));
    badChecksum[badChecksum.size() - 1] = badChecksum.back() == u'0' ? u'1' : u'0';
    // Record(0, 01 00 02 03) is ":0400000001000203F6"; each row's checksum makes the pairs sum to 0.
    const struct {
        const char* why;
        QString line;
    } rows[] = {
        {"checksum", badChecksum},
        {"the end record: too short to be a record", QStringLiteral(":00000001FF")},
        {"a prompt", QStringLiteral("0>")},
        {"not hex", QStringLiteral(":0200000001ZZFD")},
        {"odd digit count", Record(0, QByteArray::fromHex("0102")) + u'0'},
        {"a blank inside", QStringLiteral(": 2000000010200FB")},
        // the sum stays 0 in these (fuzzing found them)
        {"count 0 with one data byte", QStringLiteral(":0000000010F0")},
        {"type 01", QStringLiteral(":0100000110EE")},
        {"a 00 data pair lost: count 4, three bytes", QStringLiteral(":04000000010203F6")},
        {"a 00 pair added: count 4, five bytes", QStringLiteral(":0400000001000002" "03F6")},
    };
    for (const auto& row : rows) {
        QByteArray buffer("HEAD");
        EXPECT_FALSE(ParseHexRecordLine(row.line, buffer)) << row.why;
        EXPECT_EQ(buffer, QByteArray("HEAD")) << row.why;
    }
    QByteArray buffer("HEAD");
    EXPECT_TRUE(ParseHexRecordLine(QStringLiteral(":0400000001000203F6"), buffer)) << "the whole line";
    EXPECT_EQ(buffer, QByteArray("HEAD") + QByteArray::fromHex("01000203"));
}

TEST(SerialReceive, LinesReachTheRecordParserOnlyWhenComplete)
{
    IniFile ini(QStringLiteral("/nonexistent/Ostrand.INI"));
    TrafficLog log;
    DeviceOperations operations;
    Connection connection(ini, log, operations);
    connection.ReceiveBuffer() = "HEAD";
    const QString line = Record(0, QByteArray::fromHex("11223344"));
    connection.OnSerialReceive(line.left(7).toLatin1());
    connection.OnSerialReceive((line.mid(7) + QStringLiteral("\r")).toLatin1());
    EXPECT_EQ(connection.ReceiveBuffer(), QByteArray("HEAD")); // no line feed yet
    connection.OnSerialReceive("\n0>");
    EXPECT_EQ(connection.ReceiveBuffer(), QByteArray("HEAD") + QByteArray::fromHex("11223344"));
    EXPECT_EQ(connection.SerialLineBuffer(), QStringLiteral("0>"));
    // every byte, line characters included, reaches the serial buffer
    EXPECT_EQ(connection.SerialReceiveBuffer(), (line + QStringLiteral("\r\n0>")).toLatin1());
}
