#include "meter.h"

#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

const QByteArray kAck = Hex("E5");

// Identification 12345678, manufacturer KVX (2ED8h), version 1, water, one volume record.
MeterConfig WaterMeter(quint8 address = 1)
{
    MeterConfig config;
    config.address = address;
    config.id = 0x12345678;
    config.manufacturer = 0x2ED8;
    config.version = 0x01;
    config.medium = 0x07;
    config.accessNumber = 0x10;
    config.records = Hex("0413E8030000"); // 4-byte integer, volume in litres: 1000
    return config;
}

QByteArray SndUd(quint8 address, quint8 ci, const QByteArray& data = {}, quint8 control = mbus::kSndUd)
{
    return *LongFrame(control, address, ci, data);
}

QByteArray Selection(const char* hex)
{
    return SndUd(mbus::kSelectedSlave, mbus::kCiSelectSlave, Hex(hex));
}

// Access number of an RSP_UD with CI 72h: after 68 L L 68 C A CI, ID (4), manufacturer (2), version, medium.
int AccessNumber(const std::optional<QByteArray>& reply)
{
    return reply && reply->size() > 15 ? static_cast<quint8>((*reply)[15]) : -1;
}

} // namespace

TEST(SimMeterLink, SndNkeIsAcknowledgedOnlyAtItsAddress)
{
    Meter meter(WaterMeter(5));
    EXPECT_EQ(meter.Receive(Hex("1040054516")), kAck); // 40h + 05h = 45h
    EXPECT_FALSE(meter.Receive(ShortFrame(mbus::kSndNke, 6)));
    EXPECT_FALSE(meter.Receive(kAck)); // another slave's acknowledgement
}

TEST(SimMeterLink, DamagedOrUnknownFramesGetNoAnswer)
{
    Meter meter(WaterMeter(5));
    EXPECT_FALSE(meter.Receive(Hex("1040054616")));               // checksum off by one
    EXPECT_FALSE(meter.Receive(Hex("1040054517")));               // stop byte
    EXPECT_FALSE(meter.Receive(Hex("10400545")));                 // cut short
    EXPECT_FALSE(meter.Receive(Hex("1040054516") + Hex("16")));   // one byte too many
    EXPECT_FALSE(meter.Receive(ShortFrame(0x5A, 5)));             // REQ_UD1: no alarm protocol here
    EXPECT_FALSE(meter.Receive(ShortFrame(0x60, 5)));             // SND_NKE with a frame count bit
    EXPECT_FALSE(meter.Receive(ShortFrame(mbus::kSndUd, 5)));     // SND_UD needs a long frame
    EXPECT_FALSE(meter.Receive(SndUd(5, 0x5A)));                  // CI the meter does not know
    EXPECT_FALSE(meter.Receive(SndUd(5, mbus::kCiSelectSlave, Hex("78563412FFFFFFFF")))); // selection only via 253

    QByteArray badChecksum = SndUd(5, mbus::kCiDataSend, Hex("017A09"));
    badChecksum[badChecksum.size() - 2] = static_cast<char>(badChecksum[badChecksum.size() - 2] ^ 0x01);
    EXPECT_FALSE(meter.Receive(badChecksum));
    EXPECT_EQ(meter.Address(), 5); // and nothing was acted on

    QByteArray differingLengths = SndUd(5, mbus::kCiDataSend, Hex("017A09"));
    differingLengths[2] = static_cast<char>(differingLengths[2] + 1);
    EXPECT_FALSE(meter.Receive(differingLengths));
    EXPECT_EQ(meter.Address(), 5);
}

TEST(SimMeterReply, VariableStructureReplyByteByByte)
{
    Meter meter(WaterMeter(1));
    const QByteArray expected = Hex("68 15 15 68"      // L = 21: C, A, CI and 18 data bytes
                                    "08 01 72"         // RSP_UD from address 1, variable structure
                                    "78 56 34 12"      // identification 12345678, BCD, least significant first
                                    "D8 2E"            // KVX
                                    "01 07"            // version 1, water
                                    "10 00 00 00"      // access number 10h, status, signature
                                    "04 13 E8 03 00 00" // volume 1000 l
                                    "AF 16");          // sum of C to the last data byte, 3AFh
    EXPECT_EQ(meter.Receive(Hex("105B015C16")), expected);
}

TEST(SimMeterReply, FixedStructureReplyByteByByte)
{
    MeterConfig config = WaterMeter(9);
    config.id = 0x55500002;
    config.fixedStructure = true;
    config.accessNumber = 0x20;
    config.fixedMediumUnit = 0x0013;
    config.fixedCounters[0] = 0x1234;
    config.fixedCounters[1] = 0x56;
    Meter meter(config);
    const QByteArray expected = Hex("68 13 13 68 08 09 73" // L = 19, CI 73h
                                    "02 00 50 55"          // identification 55500002
                                    "20 00"                // access number, status
                                    "13 00"                // medium and units as configured
                                    "34 12 00 00"          // counter 1: 1234, BCD
                                    "56 00 00 00"          // counter 2: 56
                                    "FA 16");              // 84h + 176h = 1FAh
    EXPECT_EQ(meter.Receive(ShortFrame(mbus::kReqUd2Fcb, 9)), expected);
}

TEST(SimMeterReply, MeterThatNeverSendsItsData)
{
    MeterConfig config = WaterMeter(10);
    config.answersReqUd2 = false;
    Meter meter(config);
    EXPECT_EQ(meter.Receive(ShortFrame(mbus::kSndNke, 10)), kAck);
    EXPECT_FALSE(meter.Receive(ShortFrame(mbus::kReqUd2, 10)));
    EXPECT_FALSE(meter.Receive(ShortFrame(mbus::kReqUd2Fcb, 10)));
    EXPECT_EQ(meter.Receive(SndUd(10, mbus::kCiApplicationReset)), kAck);
}

TEST(SimMeterFrameCount, RepeatedRequestGetsTheSameReply)
{
    Meter meter(WaterMeter(1));
    ASSERT_EQ(meter.Receive(ShortFrame(mbus::kSndNke, 1)), kAck);
    const auto first = meter.Receive(ShortFrame(mbus::kReqUd2Fcb, 1));
    EXPECT_EQ(AccessNumber(first), 0x10);
    const auto toggled = meter.Receive(ShortFrame(mbus::kReqUd2, 1));
    EXPECT_EQ(AccessNumber(toggled), 0x11);
    // The bit did not toggle: the master lost our answer, so it comes again unchanged.
    EXPECT_EQ(meter.Receive(ShortFrame(mbus::kReqUd2, 1)), toggled);
    EXPECT_EQ(meter.Receive(ShortFrame(mbus::kReqUd2, 0xFE)), toggled); // whichever address it came by
    EXPECT_EQ(AccessNumber(meter.Receive(ShortFrame(mbus::kReqUd2Fcb, 1))), 0x12);
}

TEST(SimMeterFrameCount, SndNkeStartsAfresh)
{
    Meter meter(WaterMeter(1));
    EXPECT_EQ(AccessNumber(meter.Receive(ShortFrame(mbus::kReqUd2, 1))), 0x10);
    ASSERT_EQ(meter.Receive(ShortFrame(mbus::kSndNke, 1)), kAck);
    // Same bit as before the reset, yet a new reply.
    EXPECT_EQ(AccessNumber(meter.Receive(ShortFrame(mbus::kReqUd2, 1))), 0x11);
}

TEST(SimMeterFrameCount, RepeatedCommandIsAcknowledgedButNotRedone)
{
    Meter meter(WaterMeter(1));
    ASSERT_EQ(meter.Receive(SndUd(1, mbus::kCiDataSend, Hex("017A14"), mbus::kSndUdFcb)), kAck);
    ASSERT_EQ(meter.Address(), 0x14);
    // The master missed the E5h and repeats (bit unchanged) to the old address: not us any more.
    EXPECT_FALSE(meter.Receive(SndUd(1, mbus::kCiDataSend, Hex("017A14"), mbus::kSndUdFcb)));
    // A next command with the same bit but other content is new.
    EXPECT_EQ(meter.Receive(SndUd(0x14, mbus::kCiDataSend, Hex("017A15"), mbus::kSndUdFcb)), kAck);
    EXPECT_EQ(meter.Address(), 0x15);
    // A reading after a command gets fresh data.
    EXPECT_EQ(AccessNumber(meter.Receive(ShortFrame(mbus::kReqUd2Fcb, 0x15))), 0x10);
}

TEST(SimMeterSelection, WildcardsMatchPerDigitAndWholeField)
{
    Meter meter(WaterMeter(1));
    struct Row {
        const char* mask;
        bool selects;
    } rows[] = {
        {"78563412 D82E 01 07", true},  // the exact secondary address
        {"FFFFFFFF FFFF FF FF", true},  // everything wild
        {"7F563412 FFFF FF FF", true},  // 1234567F
        {"F8FFFFFF FFFF FF FF", true},  // FFFFFFF8: only the last digit given
        {"FFFFFF1F FFFF FF FF", true},  // 1FFFFFFF
        {"79563412 FFFF FF FF", false}, // 12345679
        {"FFFFFF2F FFFF FF FF", false}, // 2FFFFFFF
        {"78563412 D92E FF FF", false}, // other manufacturer
        {"78563412 FFFF 02 FF", false}, // other version
        {"78563412 FFFF FF 04", false}, // other medium
        {"78563412 FFFF FF",    false}, // seven bytes only
    };
    for (const Row& row : rows) {
        ASSERT_EQ(meter.Receive(Selection("FFFFFFFFFFFFFFFF")), kAck);
        const QByteArray mask = QByteArray(row.mask).replace(' ', "");
        const auto reply = meter.Receive(SndUd(mbus::kSelectedSlave, mbus::kCiSelectSlave, QByteArray::fromHex(mask)));
        EXPECT_EQ(reply.has_value(), row.selects) << row.mask;
        if (reply) {
            EXPECT_EQ(*reply, kAck) << row.mask;
        }
        // A failed match also ends an earlier selection.
        EXPECT_EQ(meter.Selected(), row.selects) << row.mask;
    }
}

TEST(SimMeterSelection, SelectedMeterAnswersAtAddress253)
{
    Meter meter(WaterMeter(7));
    EXPECT_FALSE(meter.Receive(ShortFrame(mbus::kReqUd2, mbus::kSelectedSlave)));
    ASSERT_EQ(meter.Receive(Selection("78563412FFFFFFFF")), kAck);
    const auto reply = meter.Receive(Hex("105BFD5816")); // REQ_UD2 to 253
    ASSERT_TRUE(reply);
    EXPECT_TRUE(CheckMBusReply(*reply).complete);
    EXPECT_EQ(static_cast<quint8>((*reply)[5]), 7); // the reply carries the primary address
    EXPECT_EQ(meter.Receive(ShortFrame(mbus::kSndNke, 7)), kAck);
    EXPECT_TRUE(meter.Selected()); // a reset at the primary address keeps the selection
    EXPECT_EQ(meter.Receive(ShortFrame(mbus::kSndNke, mbus::kSelectedSlave)), kAck);
    EXPECT_FALSE(meter.Selected());
    EXPECT_FALSE(meter.Receive(ShortFrame(mbus::kReqUd2Fcb, mbus::kSelectedSlave)));
}

TEST(SimMeterCommands, PrimaryAddressChange)
{
    Meter meter(WaterMeter(1));
    EXPECT_EQ(meter.Receive(SndUd(1, mbus::kCiDataSend, Hex("017A20"))), kAck);
    EXPECT_EQ(meter.Address(), 0x20);
    EXPECT_FALSE(meter.Receive(ShortFrame(mbus::kSndNke, 1)));
    EXPECT_EQ(meter.Receive(ShortFrame(mbus::kSndNke, 0x20)), kAck);
    const auto reply = meter.Receive(ShortFrame(mbus::kReqUd2, 0x20));
    ASSERT_TRUE(reply);
    EXPECT_EQ(static_cast<quint8>((*reply)[5]), 0x20);

    // Outside the primary range, or other data: acknowledged by the link, not acted on.
    EXPECT_EQ(meter.Receive(SndUd(0x20, mbus::kCiDataSend, Hex("017AFB"), mbus::kSndUdFcb)), kAck);
    EXPECT_EQ(meter.Address(), 0x20);
    EXPECT_EQ(meter.Receive(SndUd(0x20, mbus::kCiDataSend, Hex("027A0500"))), kAck);
    EXPECT_EQ(meter.Address(), 0x20);
}

TEST(SimMeterCommands, BusSpeedAndApplicationReset)
{
    const struct {
        quint8 ci;
        int baud;
    } speeds[] = {{0xB8, 300}, {0xB9, 600}, {0xBA, 1200}, {0xBB, 2400}, {0xBC, 4800}, {0xBD, 9600}};
    for (const auto& speed : speeds) {
        Meter meter(WaterMeter(1));
        EXPECT_EQ(meter.Receive(SndUd(1, speed.ci)), kAck) << speed.baud;
        EXPECT_EQ(meter.Baud(), speed.baud);
    }
    Meter meter(WaterMeter(1));
    EXPECT_FALSE(meter.Receive(SndUd(1, 0xB8, Hex("00")))); // a speed command carries no data
    EXPECT_EQ(meter.Baud(), 2400);

    EXPECT_EQ(meter.Receive(SndUd(1, mbus::kCiApplicationReset)), kAck);
    EXPECT_EQ(meter.Receive(SndUd(1, mbus::kCiApplicationReset, Hex("10"), mbus::kSndUdFcb)), kAck);
    EXPECT_FALSE(meter.Receive(SndUd(1, mbus::kCiApplicationReset, Hex("1000"))));
}

TEST(SimMeterBroadcast, Address254AnswersAndAddress255Acts)
{
    Meter meter(WaterMeter(1));
    EXPECT_EQ(meter.Receive(ShortFrame(mbus::kSndNke, mbus::kBroadcastAnswered)), kAck);
    EXPECT_EQ(AccessNumber(meter.Receive(ShortFrame(mbus::kReqUd2, mbus::kBroadcastAnswered))), 0x10);

    EXPECT_FALSE(meter.Receive(ShortFrame(mbus::kSndNke, 0xFF)));
    EXPECT_FALSE(meter.Receive(ShortFrame(mbus::kReqUd2Fcb, 0xFF)));
    EXPECT_EQ(meter.AccessNumber(), 0x11); // no reply went out, so none was counted
    EXPECT_FALSE(meter.Receive(SndUd(0xFF, mbus::kCiDataSend, Hex("017A30"))));
    EXPECT_EQ(meter.Address(), 0x30);
    EXPECT_FALSE(meter.Receive(SndUd(0xFF, 0xB9)));
    EXPECT_EQ(meter.Baud(), 600);
}
