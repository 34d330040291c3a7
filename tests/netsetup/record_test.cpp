// The configuration record's fields and factory contents, the changes the
// settings pages and the command-line tool make, and the texts that report
// a write.
#include "netsetup/configprotocol.h"
#include "netsetup/ipassignment.h"
#include "netsetup/netsetuptexts.h"
#include "netsetup/networksettings.h"
#include "netsetup/record.h"
#include "netsetup/recorddefaults.h"
#include "netsetup/recordedit.h"

#include "configresponder.h"
#include "testenvironment.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

cRecord Record0()
{
    cRecord record(0);
    record.RestoreRecordToDefault(false);
    return record;
}

// ---- fields of record 0 -----------------------------------------------------

TEST(RecordFields, NetMaskIsStoredAsItsCountOfHostBits)
{
    struct Row {
        const char* mask;
        int hostBits;
    };
    const Row rows[] = {
        {"255.255.255.0", 8},
        {"255.255.255.255", 0},
        {"0.0.0.0", 32},
        {"255.255.240.0", 12},
        {"255.255", 16}, // missing fields are 0
        {"255.0.255.0", 8}, // a mask with holes keeps only its tail
        {"255.255.255.128", 7},
    };
    for (const Row& row : rows) {
        cRecord record = Record0();
        ASSERT_TRUE(record.Set_NetMask(row.mask)) << row.mask;
        EXPECT_EQ(static_cast<quint8>(record.Bytes()[6]), row.hostBits) << row.mask;
    }
}

TEST(RecordFields, NetMaskIsShownFromItsCountOfHostBits)
{
    struct Row {
        quint8 hostBits;
        const char* mask;
    };
    const Row rows[] = {{8, "255.255.255.0"}, {0, "255.255.255.255"}, {32, "0.0.0.0"}, {40, "0.0.0.0"},
        {12, "255.255.240.0"}, {31, "128.0.0.0"}};
    for (const Row& row : rows) {
        cRecord record = Record0();
        QByteArray bytes = record.Bytes();
        bytes[6] = static_cast<char>(row.hostBits);
        record.SetBytes(bytes);
        EXPECT_EQ(record.Get_NetMask(), row.mask) << int(row.hostBits);
    }
}

TEST(RecordFields, PortIsClampedLowByteFirst)
{
    struct Row {
        const char* text;
        const char* bytes;
        const char* shown;
    };
    const Row rows[] = {{"10001", "1127", "10001"}, {"70000", "ffff", "65535"}, {"-1", "0000", "0"},
        {"8080x", "901f", "8080"}, {"abc", "0000", "0"}, {"65535", "ffff", "65535"}};
    for (const Row& row : rows) {
        cRecord record = Record0();
        ASSERT_TRUE(record.Set_IPPort(row.text));
        EXPECT_EQ(record.Bytes().mid(20, 2), Hex(row.bytes)) << row.text;
        EXPECT_EQ(record.Get_IPPort(), row.shown) << row.text;
    }
}

TEST(RecordFields, TelnetPasswordIsFourBytesPaddedWithZeros)
{
    cRecord record = Record0();
    ASSERT_TRUE(record.Set_TelnetPassword("ab"));
    EXPECT_EQ(record.Bytes().mid(8, 4), Hex("61620000"));
    EXPECT_EQ(record.Get_TelnetPassword(), "ab");

    ASSERT_TRUE(record.Set_TelnetPassword("secret"));
    EXPECT_EQ(record.Bytes().mid(8, 4), QByteArray("secr"));
    EXPECT_EQ(record.Get_TelnetPassword(), "secr");
    EXPECT_EQ(record.Bytes().mid(12, 4), Hex("00000000")) << "the gateway behind it is untouched";

    ASSERT_TRUE(record.Set_TelnetPassword(""));
    EXPECT_EQ(record.Bytes().mid(8, 4), Hex("00000000"));
    EXPECT_EQ(record.Get_TelnetPassword(), "");

    QByteArray bytes = record.Bytes();
    bytes.replace(8, 4, QByteArray("a\0b\0", 4));
    record.SetBytes(bytes);
    EXPECT_EQ(record.Get_TelnetPassword(), "ab") << "every zero byte is dropped";
}

TEST(RecordFields, LineSpeedCodeAndListIndex)
{
    struct Row {
        quint8 code;
        int index;
    };
    // 2 = 9600 ... 7 = 300 baud; the top three bits do not count, codes
    // outside 2-7 count as the nearest end.
    const Row rows[]
        = {{0x00, 5}, {0x01, 5}, {0x02, 5}, {0x04, 3}, {0x07, 0}, {0x1F, 0}, {0x24, 3}, {0xE2, 5}, {0x08, 0}};
    for (const Row& row : rows) {
        cRecord record = Record0();
        QByteArray bytes = record.Bytes();
        bytes[17] = static_cast<char>(row.code);
        record.SetBytes(bytes);
        EXPECT_EQ(record.Get_LineSpeed(), row.index) << int(row.code);
    }
    const std::pair<int, quint8> sets[] = {{0, 7}, {3, 4}, {5, 2}, {-2, 7}, {9, 2}};
    for (const auto& [index, code] : sets) {
        cRecord record = Record0();
        ASSERT_TRUE(record.Set_LineSpeed(index));
        EXPECT_EQ(static_cast<quint8>(record.Bytes()[17]), code) << index;
    }
}

TEST(RecordFields, ProtocolTestsOnlyItsFirstByte)
{
    cRecord record = Record0();
    ASSERT_TRUE(record.Set_IsUsingUDP(false));
    EXPECT_EQ(record.Bytes().mid(28, 2), Hex("c000"));
    EXPECT_FALSE(record.Get_IsUsingUDP());
    ASSERT_TRUE(record.Set_IsUsingUDP(true));
    EXPECT_EQ(record.Bytes().mid(28, 2), Hex("cc01"));
    EXPECT_TRUE(record.Get_IsUsingUDP());

    QByteArray bytes = record.Bytes();
    bytes[29] = 0;
    record.SetBytes(bytes);
    EXPECT_TRUE(record.Get_IsUsingUDP());
    bytes[28] = static_cast<char>(0xCD);
    record.SetBytes(bytes);
    EXPECT_FALSE(record.Get_IsUsingUDP());
}

TEST(RecordFields, DottedAddressesOneByteAnOctet)
{
    cRecord record = Record0();
    ASSERT_TRUE(record.Set_IPAddress("192.168.1.20"));
    ASSERT_TRUE(record.Set_Gateway("192.168.1.1"));
    EXPECT_EQ(record.Bytes().left(4), Hex("c0a80114"));
    EXPECT_EQ(record.Bytes().mid(12, 4), Hex("c0a80101"));
    EXPECT_EQ(record.Get_IPAddress(), "192.168.1.20");
    EXPECT_EQ(record.Get_Gateway(), "192.168.1.1");

    ASSERT_TRUE(record.Set_IPAddress("10.0.7")) << "a missing field is 0";
    EXPECT_EQ(record.Get_IPAddress(), "10.0.7.0");
    ASSERT_TRUE(record.Set_Gateway(" 10. 1.2.3x"));
    EXPECT_EQ(record.Get_Gateway(), "10.1.2.3");
}

TEST(RecordFields, AnOctetOutsideAByteChangesNothing)
{
    for (const char* address : {"192.168.1.256", "-1.2.3.4", "1.2.99999999999.4", "300"}) {
        cRecord record = Record0();
        const QByteArray before = record.Bytes();
        EXPECT_FALSE(record.Set_IPAddress(address)) << address;
        EXPECT_FALSE(record.Set_Gateway(address)) << address;
        EXPECT_FALSE(record.Set_NetMask(address)) << address;
        EXPECT_EQ(record.Bytes(), before) << address;
    }
}

// ---- security switches of record 1 ------------------------------------------

TEST(RecordFields, SecuritySwitchesKeepTheOtherBits)
{
    cRecord record(1);
    record.RestoreRecordToDefault(false);
    EXPECT_FALSE(record.Get_AllowTelnet()) << "factory: telnet off";
    EXPECT_TRUE(record.Get_Allow77FE()) << "factory: configuration allowed";

    ASSERT_TRUE(record.Set_AllowTelnet(true));
    EXPECT_EQ(static_cast<quint8>(record.Bytes()[0]), 0x20);
    ASSERT_TRUE(record.Set_Allow77FE(false));
    EXPECT_EQ(static_cast<quint8>(record.Bytes()[0]), 0x30);
    EXPECT_FALSE(record.Get_Allow77FE());

    QByteArray bytes = record.Bytes();
    bytes[0] = static_cast<char>(0xFF);
    record.SetBytes(bytes);
    ASSERT_TRUE(record.Set_AllowTelnet(true));
    ASSERT_TRUE(record.Set_Allow77FE(true));
    EXPECT_EQ(static_cast<quint8>(record.Bytes()[0]), 0xEE);
    EXPECT_EQ(record.Bytes().mid(1), DefaultRecordBytes(1).mid(1));
}

// ---- records shorter than their fields ---------------------------------------

TEST(RecordFields, AShortRecordIsNeverReadPastItsEnd)
{
    cRecord empty(0);
    EXPECT_EQ(empty.Get_IPAddress(), "");
    EXPECT_EQ(empty.Get_NetMask(), "");
    EXPECT_EQ(empty.Get_Gateway(), "");
    EXPECT_EQ(empty.Get_IPPort(), "");
    EXPECT_EQ(empty.Get_TelnetPassword(), "");
    EXPECT_EQ(empty.Get_LineSpeed(), -1);
    EXPECT_FALSE(empty.Get_IsUsingUDP());
    EXPECT_FALSE(empty.Get_AllowTelnet());
    EXPECT_FALSE(empty.Get_Allow77FE());
    EXPECT_FALSE(empty.Set_IPAddress("1.2.3.4"));
    EXPECT_FALSE(empty.Set_IPPort("1"));
    EXPECT_FALSE(empty.Set_IsUsingUDP(true));
    EXPECT_FALSE(empty.Set_TelnetPassword("a"));
    EXPECT_FALSE(empty.Set_LineSpeed(1));
    EXPECT_FALSE(empty.Set_AllowTelnet(true));
    EXPECT_FALSE(empty.Set_Allow77FE(true));
    EXPECT_TRUE(empty.Bytes().isEmpty());

    // Each field needs all of its bytes.
    cRecord cut(0);
    cut.SetBytes(SampleNetworkRecord().left(29));
    EXPECT_EQ(cut.Get_IPAddress(), "192.168.1.20");
    EXPECT_EQ(cut.Get_IPPort(), "10005");
    EXPECT_FALSE(cut.Get_IsUsingUDP());
    EXPECT_FALSE(cut.Set_IsUsingUDP(true)) << "byte 29 is missing";
    EXPECT_EQ(cut.Bytes(), SampleNetworkRecord().left(29));

    cut.SetBytes(SampleNetworkRecord().left(15));
    EXPECT_EQ(cut.Get_Gateway(), "");
    EXPECT_FALSE(cut.Set_Gateway("1.2.3.4"));
    EXPECT_EQ(cut.Get_TelnetPassword(), "pw");
    EXPECT_EQ(cut.Get_LineSpeed(), -1);
}

// ---- factory contents -------------------------------------------------------

TEST(RecordDefaults, EachRecordNumberHasItsFactoryContents)
{
    struct Row {
        int number;
        int length;
        QList<std::pair<int, quint8>> bytes; // a sample of the documented non-zero bytes
        quint8 fill;
    };
    const Row rows[] = {
        {0, 120,
            {{6, 0x08}, {7, 0x2D}, {16, 0x7C}, {17, 0x04}, {20, 0x11}, {21, 0x27}, {28, 0xCC}, {29, 0x01}, {64, 0x4C},
                {65, 0x02}, {68, 0x12}, {69, 0x27}, {76, 0xC0}},
            0x00},
        {1, 126, {{0, 0x21}, {34, 'k'}, {39, 'o'}, {48, 0x80}}, 0x00},
        {2, 126, {}, 0xFF},
        {3, 126, {{0, 0x03}, {1, 0xFA}, {75, 0x0D}, {76, 0x0D}, {100, 0x58}, {101, 0x02}}, 0x00},
        {4, 126, {}, 0xFF},
        {5, 126, {}, 0x00},
        {6, 126, {{26, 0x03}, {54, 0x01}, {121, 0x03}, {122, 0x01}}, 0x00},
        {7, 126, {{0, 0x04}, {1, 0x06}, {2, 0x08}, {7, 0x80}, {9, 0x80}, {11, 0x80}}, 0x00},
    };
    for (const Row& row : rows) {
        cRecord record(row.number);
        record.RestoreRecordToDefault(false);
        ASSERT_EQ(record.Bytes().size(), row.length) << row.number;
        for (const auto& [offset, value] : row.bytes)
            EXPECT_EQ(static_cast<quint8>(record.Bytes()[offset]), value) << row.number << "@" << offset;
        EXPECT_EQ(static_cast<quint8>(record.Bytes()[row.length - 1]), row.fill) << row.number;
    }
    cRecord one(1);
    one.RestoreRecordToDefault(false);
    EXPECT_EQ(one.Bytes().mid(34, 6), QByteArray("kestro"));

    cRecord factory = Record0();
    EXPECT_EQ(factory.Get_IPAddress(), "0.0.0.0");
    EXPECT_EQ(factory.Get_NetMask(), "255.255.255.0");
    EXPECT_EQ(factory.Get_IPPort(), "10001");
    EXPECT_TRUE(factory.Get_IsUsingUDP());
    EXPECT_EQ(factory.Get_LineSpeed(), 3) << "2400 baud";
}

TEST(RecordDefaults, NumbersOutsideZeroToSevenHaveNone)
{
    for (int number : {-1, 8, 100}) {
        cRecord record(number);
        record.SetBytes("old");
        record.RestoreRecordToDefault(true);
        EXPECT_TRUE(record.Bytes().isEmpty()) << number;
    }
}

TEST(RecordDefaults, KeepingSettingsKeepsOnlyTheGatewaysOwnFields)
{
    QByteArray read = SampleNetworkRecord();
    read[64] = 0x11; // the second channel, which the program never edits
    read[100] = 0x22;
    cRecord record(0);
    record.SetBytes(read);
    record.RestoreRecordToDefault(true);

    QByteArray expected = DefaultRecordBytes(0);
    for (const auto& [offset, width] : {std::pair {0, 4}, {6, 1}, {8, 4}, {12, 4}, {17, 1}, {20, 2}, {28, 2}})
        expected.replace(offset, width, read.mid(offset, width));
    EXPECT_EQ(record.Bytes(), expected);
    EXPECT_EQ(static_cast<quint8>(record.Bytes()[7]), 0x2D) << "byte 7 goes back to its default";
    EXPECT_EQ(static_cast<quint8>(record.Bytes()[64]), 0x4C);
    EXPECT_EQ(static_cast<quint8>(record.Bytes()[100]), 0x00);

    // What the old record does not reach keeps its default.
    record.SetBytes(SampleNetworkRecord().left(18));
    record.RestoreRecordToDefault(true);
    EXPECT_EQ(record.Get_IPAddress(), "192.168.1.20");
    EXPECT_EQ(record.Get_LineSpeed(), 5);
    EXPECT_EQ(record.Get_IPPort(), "10001");
    EXPECT_TRUE(record.Get_IsUsingUDP());

    // Only record 0 keeps anything.
    cRecord security(1);
    security.SetBytes(QByteArray(126, '\x7F'));
    security.RestoreRecordToDefault(true);
    EXPECT_EQ(security.Bytes(), DefaultRecordBytes(1));
}

// ---- serial record lines ----------------------------------------------------

TEST(RecordLines, RecordZeroGoesAsFourLines)
{
    const QStringList lines = config::RecordLines(SampleNetworkRecord());
    ASSERT_EQ(lines.size(), 4);
    const char* heads[] = {":20000010", ":20002010", ":20004010", ":18006010"};
    QByteArray data;
    for (int i = 0; i < 4; ++i) {
        const QString& line = lines[i];
        EXPECT_TRUE(line.startsWith(heads[i])) << line.toStdString();
        // the check is over the characters' codes, not the bytes they stand for
        int sum = 0;
        for (const QChar c : line.mid(1))
            sum += c.unicode();
        const int check = line.right(2).toInt(nullptr, 16);
        sum -= line.at(line.size() - 1).unicode() + line.at(line.size() - 2).unicode();
        EXPECT_EQ((sum + check) & 0xFF, 0) << line.toStdString();
        EXPECT_EQ(line, line.toUpper());
        data += QByteArray::fromHex(line.mid(9, line.size() - 11).toLatin1());
    }
    EXPECT_EQ(data, SampleNetworkRecord());
}

// ---- IP-SETUP ----------------------------------------------------------------

TEST(IpSetup, DatagramCarriesTheMacsLastTwoBytesAndTheAddress)
{
    const auto datagram = config::IpSetupDatagram("00-20-4A-12-34-56", "192.168.1.20");
    ASSERT_TRUE(datagram);
    EXPECT_EQ(*datagram, Hex("000000fc") + "IP-SETUP" + Hex("00003456c0a80114"));
    const auto dhcp = config::IpSetupDatagram("00-20-4A-12-34-56", kDhcpAddress);
    ASSERT_TRUE(dhcp);
    EXPECT_EQ(dhcp->right(4), Hex("00000000"));
}

// ---- changes and their report ----------------------------------------------

class RecordChangesTest : public ::testing::Test {
protected:
    RecordChangesTest() { env.UseLanguage(); }
    QString Text(int id) { return env.Context().language.GetLanguageText(id); }
    TestEnvironment env;
};

TEST_F(RecordChangesTest, ARefusedFieldLeavesTheRecordAsItWas)
{
    cRecord record(0);
    record.SetBytes(SampleNetworkRecord());
    RecordChanges changes;
    changes.gateway = "10.0.0.1"; // fine, but the mask below is not
    changes.mask = "255.255.255.300";
    changes.port = "4000";
    const auto refusal = ApplyNetworkChanges(record, changes);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->fieldText, netsetuptext::kNetMask);
    EXPECT_EQ(record.Bytes(), SampleNetworkRecord());
    EXPECT_EQ(RefusalText(env.Context().language, *refusal), Text(212) + " '255.255.255.300'\r\n" + Text(213));

    changes.mask = "255.255.255.0";
    EXPECT_FALSE(ApplyNetworkChanges(record, changes));
    EXPECT_EQ(record.Get_Gateway(), "10.0.0.1");
    EXPECT_EQ(record.Get_IPPort(), "4000");

    cRecord empty(0);
    const auto shortRecord = ApplyNetworkChanges(empty, changes);
    ASSERT_TRUE(shortRecord);
    EXPECT_TRUE(empty.Bytes().isEmpty());

}

TEST(TypedAddresses, FourDecimalNumbersFromZeroTo255AndNothingElse)
{
    const struct {
        const char* typed;
        const char* taken; // nullptr: refused
    } rows[] = {
        {"192.168.1.20", "192.168.1.20"},
        {"0.0.0.0", "0.0.0.0"},
        {"255.255.255.255", "255.255.255.255"},
        {" 127.0.0.1\t", "127.0.0.1"}, // blanks around the whole are dropped
        {"127.000.0.001", "127.0.0.1"}, // leading zeros read as decimal
        {"010.0.0.8", "10.0.0.8"},      // not octal
        // what the record setters would take, but a user must not type (fuzzing and typos)
        {"127.0.0.x", nullptr},
        {"127.1", nullptr},
        {"127.0.0", nullptr},
        {"1.2.3.4.5", nullptr},
        {"127.0.0.256", nullptr},
        {"127.0.0.1a", nullptr},
        {"127.0.0.-1", nullptr},
        {"127.0.0.+1", nullptr},
        {"127..0.1", nullptr},
        {"127.0.0.1.", nullptr},
        {"127. 0.0.1", nullptr},
        {"127.0.0.0001", nullptr},
        {"127.0.0.\u0661", nullptr}, // an Arabic-Indic digit one
        {"localhost", nullptr},
        {"", nullptr},
    };
    for (const auto& row : rows) {
        const std::optional<QString> taken = TypedAddress(QString::fromUtf8(row.typed));
        if (row.taken)
            EXPECT_EQ(taken, QString::fromLatin1(row.taken)) << row.typed;
        else
            EXPECT_FALSE(taken) << row.typed << " gave " << taken->toStdString();
    }

    EXPECT_FALSE(CheckAddresses({{netsetuptext::kIPAddress, "192.168.1.20"}, {netsetuptext::kNetMask, "255.255.0.0"}}));
    const auto refused = CheckAddresses(
        {{netsetuptext::kIPAddress, "192.168.1.20"}, {netsetuptext::kGateway, "127.1"}, {netsetuptext::kNetMask, "x"}});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->fieldText, netsetuptext::kGateway) << "the first refused field";
    EXPECT_EQ(refused->value, "127.1");
}

TEST_F(RecordChangesTest, TheWriteIsReportedAsTheSettingsPageShowsIt)
{
    RecordChanges plain;
    plain.port = "10001";
    RecordChanges security = plain;
    security.password = "ab";
    security.allowTelnet = true;
    security.allowConfig = true;
    RecordChanges lockOut = security;
    lockOut.allowConfig = false;

    using S = SettingsWriteResult::Status;
    using Security = SettingsWriteResult::Security;
    const auto result = [](S status, Security security = Security::NotAsked) {
        SettingsWriteResult r;
        r.status = status;
        r.security = security;
        return r;
    };
    EXPECT_EQ(SettingsWriteTexts(plain, result(S::Failed)), QList<int>({199}));
    EXPECT_EQ(SettingsWriteTexts(plain, result(S::Refused)), QList<int>({199}));
    EXPECT_EQ(SettingsWriteTexts(plain, result(S::Written)), QList<int>({197, 198}));
    EXPECT_EQ(SettingsWriteTexts(security, result(S::Written, Security::Written)), QList<int>({195, 197, 198}));
    EXPECT_EQ(SettingsWriteTexts(lockOut, result(S::Written, Security::Written)), QList<int>({195, 197, 198}));
    EXPECT_EQ(SettingsWriteTexts(lockOut, result(S::Written, Security::LockedOut)), QList<int>({195, 196, 197, 198}));
    // A security record the gateway did not confirm is not reported as written.
    EXPECT_EQ(SettingsWriteTexts(security, result(S::Written, Security::NotConfirmed)), QList<int>({193}));
    EXPECT_FALSE(result(S::Written, Security::NotConfirmed).Complete());
    EXPECT_TRUE(result(S::Written, Security::LockedOut).Complete());
}

TEST_F(RecordChangesTest, IpTimingsComeFromTheIniWithTheDhcpDelayInSixteenBits)
{
    IniFile& ini = env.Context().ini;
    IpTimings timings = IpTimings::FromIni(ini);
    EXPECT_EQ(timings.udpTimeOut.count(), 1000);
    EXPECT_EQ(timings.resetTimeOut.count(), 10000);
    EXPECT_EQ(timings.rebootDhcpDelay.count(), 10000);
    EXPECT_EQ(timings.serialTimeOut.count(), 1000);
    ini.Write(ini::IP_RebootDHCPDelay, "40000");
    ini.Write(ini::IP_UDPTimeOut, "-5");
    timings = IpTimings::FromIni(ini);
    EXPECT_EQ(timings.rebootDhcpDelay.count(), 32767);
    EXPECT_EQ(timings.udpTimeOut.count(), 1000); // no time to wait: the default
}

} // namespace
