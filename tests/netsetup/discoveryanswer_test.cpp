// Reading a gateway's answer to the discovery query: only bytes 24-29 count,
// whatever the datagram's length.
#include "netsetup/discoveryanswer.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

namespace {

// 24 bytes the client ignores, then the MAC address (and what may follow).
QByteArray Answer(const char* macHex, int length = 30)
{
    QByteArray answer(24, '\x55');
    answer.append(QByteArray::fromHex(macHex));
    answer.resize(length, '\x77');
    return answer;
}

} // namespace

TEST(DiscoveryAnswer, FamilyTypeAndSerialComeFromTheMacPrefix)
{
    const struct {
        const char* where;
        QByteArray datagram;
        const char* mac;
        DeviceType type;
        const char* family;
        std::optional<quint32> serial;
    } rows[] = {
        {"first Aspen prefix", Answer("00204A010203"), "00-20-4A-01-02-03", DeviceTypeAspen, "Aspen", std::nullopt},
        {"second Aspen prefix", Answer("0080A3FFFEFD"), "00-80-A3-FF-FE-FD", DeviceTypeAspen, "Aspen", std::nullopt},
        // the documented example: bytes 26-29 = 25h 00h 00h 03h
        {"Birch serial example", Answer("000425000003"), "00-04-25-00-00-03", DeviceTypeBirch, "Birch", 41943042u},
        {"second Birch prefix", Answer("E8995A000004"), "E8-99-5A-00-00-04", DeviceTypeBirch, "Birch",
         (0x5A000004u / 2) & 0x3FFFFFFu},
        {"one bit off an Aspen prefix", Answer("00204B010203"), "00-20-4B-01-02-03", DeviceTypeUnknown, "", std::nullopt},
        {"the Birch bytes in another order", Answer("250400000003"), "25-04-00-00-00-03", DeviceTypeUnknown, "", std::nullopt},
        {"only the 24 leading bytes", QByteArray(24, '\x55'), "00-00-00-00-00-00", DeviceTypeUnknown, "", std::nullopt},
        {"nothing at all", QByteArray(), "00-00-00-00-00-00", DeviceTypeUnknown, "", std::nullopt},
        {"the prefix and no more", Answer("00204A", 27), "00-20-4A-00-00-00", DeviceTypeAspen, "Aspen", std::nullopt},
        {"a Birch cut after byte 27", Answer("000425AB", 28), "00-04-25-AB-00-00", DeviceTypeBirch, "Birch",
         0x25AB0000u / 2 & 0x3FFFFFFu},
        {"65,000 bytes", Answer("00804A000001", 65000), "00-80-4A-00-00-01", DeviceTypeUnknown, "", std::nullopt},
        {"65,000 bytes of a Birch", Answer("E8995A000003", 65000), "E8-99-5A-00-00-03", DeviceTypeBirch, "Birch",
         (0x5A000003u / 2 + 1) & 0x3FFFFFFu},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
        const DiscoveryAnswer answer = ParseDiscoveryAnswer(row.datagram, QStringLiteral("192.0.2.9"));
        EXPECT_EQ(answer.ip, "192.0.2.9");
        EXPECT_EQ(answer.mac, QString::fromLatin1(row.mac));
        EXPECT_EQ(answer.type, row.type);
        EXPECT_EQ(answer.family, QString::fromLatin1(row.family));
        EXPECT_EQ(answer.serialNumber, row.serial);
        EXPECT_EQ(DeviceRowKey(answer.mac, answer.type), QString::fromLatin1(row.mac) + u'/' + QString::number(row.type));
    }
}

TEST(DiscoveryAnswer, SerialNumberHalvesWithTiesToEvenAndKeeps26Bits)
{
    const struct {
        quint32 bytes26to29;
        quint32 serial;
    } rows[] = {
        {0x25000003, 41943042}, // 310378497.5 rounds up to the even 310378498
        {0x00000004, 2},
        {0x00000001, 0}, // 0.5 goes to the even 0
        {0x00000003, 2}, // 1.5 goes to 2
        {0x00000005, 2}, // 2.5 goes to 2
        {0x07FFFFFE, 0x3FFFFFF},
        {0x08000000, 0}, // bit 26 of the half is cut
        {0xFFFFFFFF, 0}, // 2147483647.5 -> 2147483648, no overflow
    };
    for (const auto& row : rows) {
        QByteArray datagram(26, '\0');
        for (int shift = 24; shift >= 0; shift -= 8)
            datagram.append(static_cast<char>((row.bytes26to29 >> shift) & 0xFF));
        EXPECT_EQ(BirchSerialNumber(datagram), row.serial) << std::hex << row.bytes26to29;
    }
    EXPECT_EQ(BirchSerialNumber(QByteArray()), 0u);
}

TEST(DiscoveryAnswer, FormatMacTakesExactlySixBytes)
{
    const QByteArray six = QByteArray::fromHex("0004250a0b0c");
    EXPECT_EQ(FormatMac(six, QStringLiteral("-")), "00-04-25-0A-0B-0C");
    EXPECT_EQ(FormatMac(six, QStringLiteral(":")), "00:04:25:0A:0B:0C");
    EXPECT_EQ(FormatMac(six, QString()), "0004250A0B0C");
    EXPECT_EQ(FormatMac(six.left(5), QStringLiteral("-")), "");
    EXPECT_EQ(FormatMac(six + '\x01', QStringLiteral("-")), "");
    EXPECT_EQ(FormatMac(QByteArray(), QStringLiteral("-")), "");
}

TEST(DiscoveryAnswer, PrefixTable)
{
    EXPECT_EQ(DeviceTypeOfPrefix(QStringLiteral("00-20-4A")), DeviceTypeAspen);
    EXPECT_EQ(DeviceTypeOfPrefix(QStringLiteral("00-80-A3")), DeviceTypeAspen);
    EXPECT_EQ(DeviceTypeOfPrefix(QStringLiteral("00-04-25")), DeviceTypeBirch);
    EXPECT_EQ(DeviceTypeOfPrefix(QStringLiteral("E8-99-5A")), DeviceTypeBirch);
    EXPECT_EQ(DeviceTypeOfPrefix(QStringLiteral("e8-99-5a")), DeviceTypeUnknown) << "answers are read in upper case";
    EXPECT_EQ(DeviceTypeOfPrefix(QString()), DeviceTypeUnknown);
    EXPECT_EQ(FamilyName(DeviceTypeUnknown), "");
}

TEST(DiscoveryAnswer, RowTypeComesFromTheKeyAlone)
{
    EXPECT_EQ(RowDeviceType(QStringLiteral("00-20-4A-01-02-03/1")), DeviceTypeAspen);
    EXPECT_EQ(RowDeviceType(QStringLiteral("00-04-25-00-00-03/2")), DeviceTypeBirch);
    EXPECT_EQ(RowDeviceType(QString()), DeviceTypeUnknown) << "a MAC listed before has no key";
}
