#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/hexrecord.h"
#include "shell/inifile.h"
#include "shell/trafficlog.h"

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
    QByteArray buffer("HEAD");
    QString bad = Record(0, QByteArray::fromHex("0102"));
    bad[bad.size() - 1] = bad.back() == u'0' ? u'1' : u'0';
    EXPECT_FALSE(ParseHexRecordLine(bad, buffer));                          // checksum
    EXPECT_FALSE(ParseHexRecordLine(QStringLiteral(":00000001FF"), buffer)); // too short to be a record
    EXPECT_FALSE(ParseHexRecordLine(QStringLiteral("0>"), buffer));
    EXPECT_FALSE(ParseHexRecordLine(QStringLiteral(":0200000001ZZFD"), buffer)); // not hex
    EXPECT_FALSE(ParseHexRecordLine(Record(0, QByteArray::fromHex("0102")) + u'0', buffer)); // odd digit count
    EXPECT_FALSE(ParseHexRecordLine(QStringLiteral(": 2000000010200FB"), buffer));
    EXPECT_EQ(buffer, QByteArray("HEAD"));
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
