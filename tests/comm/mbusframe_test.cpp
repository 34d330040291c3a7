#include "comm/mbusframe.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// EN 13757-3 style RSP_UD from address 1: CI 72h, identification 12345678,
// manufacturer 2C2Dh, version 01h, medium 07h (water), access 55h, status 00h,
// signature 0000h, then one record (04h 13h volume in litres, 4 bytes).
QByteArray MeterReply()
{
    return *LongFrame(0x08, 0x01, 0x72, Hex("78563412 2D2C 01 07 55 00 0000 0413 E8030000"));
}

} // namespace

TEST(MBusFrames, BuildersFollowTheLinkLayer)
{
    EXPECT_EQ(ShortFrame(mbus::kSndNke, 5), Hex("1040054516")); // checksum 40h + 05h
    EXPECT_EQ(ShortFrame(mbus::kReqUd2Fcb, 0xFE), Hex("107BFE7916"));
    // application reset to the selected slave with subcode 10h
    EXPECT_EQ(*LongFrame(mbus::kSndUd, 0xFD, mbus::kCiApplicationReset, Hex("10")), Hex("6804046853FD5010B016"));
    // selection by secondary address 12345678, any manufacturer, version and medium
    EXPECT_EQ(*LongFrame(mbus::kSndUd, 0xFD, mbus::kCiSelectSlave, Hex("78563412FFFFFFFF")),
              Hex("680B0B6853FD5278563412FFFFFFFF" "B216"));
    EXPECT_EQ(MBusChecksum({}), 0);
    EXPECT_EQ(MBusChecksum(Hex("FF02")), 1);
    EXPECT_EQ(LongFrame(0x53, 1, 0x51, QByteArray(252, 'x'))->size(), 255 + 6);
    EXPECT_FALSE(LongFrame(0x53, 1, 0x51, QByteArray(253, 'x')).has_value());
}

TEST(MBusReplyJudge, AcceptsWholeRepliesOnly)
{
    EXPECT_TRUE(CheckMBusReply(Hex("E5")).complete);
    const QByteArray reply = MeterReply();
    const MBusReplyCheck whole = CheckMBusReply(reply);
    EXPECT_TRUE(whole.complete);
    EXPECT_EQ(whole.lengthField, reply[1]);

    // one byte at a time: complete only with the last one, L known from the fourth
    for (int n = 1; n < reply.size(); ++n) {
        const MBusReplyCheck part = CheckMBusReply(reply.left(n));
        EXPECT_FALSE(part.complete) << n;
        EXPECT_EQ(part.lengthField.has_value(), n >= 4) << n;
    }
    // two frames in one chunk, or an acknowledgement followed by more bytes
    EXPECT_FALSE(CheckMBusReply(reply + reply).complete);
    EXPECT_FALSE(CheckMBusReply(Hex("E5E5")).complete);
    EXPECT_FALSE(CheckMBusReply(Hex("E5") + reply).complete);
}

TEST(MBusReplyJudge, RejectsDamagedFrames)
{
    QByteArray badChecksum = MeterReply();
    badChecksum[badChecksum.size() - 2] = static_cast<char>(badChecksum[badChecksum.size() - 2] + 1);
    EXPECT_FALSE(CheckMBusReply(badChecksum).complete);

    QByteArray badStart = MeterReply();
    badStart[0] = 0x69;
    EXPECT_FALSE(CheckMBusReply(badStart).complete);
    EXPECT_FALSE(CheckMBusReply(badStart).lengthField.has_value());

    QByteArray differingLengths = MeterReply();
    differingLengths[2] = static_cast<char>(differingLengths[1] + 1);
    const MBusReplyCheck differing = CheckMBusReply(differingLengths);
    EXPECT_FALSE(differing.complete);
    EXPECT_EQ(differing.lengthField, static_cast<int>(differingLengths[1])); // the first L counts

    // the stop byte is not examined, only counted
    QByteArray otherStop = MeterReply();
    otherStop[otherStop.size() - 1] = 0x00;
    EXPECT_TRUE(CheckMBusReply(otherStop).complete);

    // length field 0: six bytes with a checksum over nothing
    EXPECT_TRUE(CheckMBusReply(Hex("680000680016")).complete);
    // length field 255 with only a few bytes present, and a maximal frame
    EXPECT_FALSE(CheckMBusReply(Hex("68FFFF68")).complete);
    EXPECT_TRUE(CheckMBusReply(*LongFrame(0x08, 1, 0x72, QByteArray(252, '\x11'))).complete);

    // and a good frame is still accepted after all that
    EXPECT_TRUE(CheckMBusReply(MeterReply()).complete);
}

TEST(MBusTimeoutNotes, OneNoteForEachWayAReplyCanFail)
{
    EXPECT_EQ(MBusTimeoutNote(0, 0), QStringLiteral("BusTimeout"));
    EXPECT_EQ(MBusTimeoutNote(1, 0), QStringLiteral("BusTimeout (Received 1 byte)"));
    EXPECT_EQ(MBusTimeoutNote(3, 0), QStringLiteral("BusTimeout (Received 3 byte)"));
    EXPECT_EQ(MBusTimeoutNote(4, 0), QStringLiteral("BusTimeout (Received only 4 of 6 bytes)"));
    EXPECT_EQ(MBusTimeoutNote(7, 0), QStringLiteral("BusTimeout (Received 7 bytes)"));
    EXPECT_EQ(MBusTimeoutNote(40, 21), QStringLiteral("BusTimeout (Received to many bytes 40 of 27)"));
    EXPECT_EQ(MBusTimeoutNote(27, 21), QStringLiteral("BusTimeout (Received only 27 of 27 bytes)"));
    EXPECT_EQ(MBusTimeoutNote(10, 21), QStringLiteral("BusTimeout (Received only 10 of 27 bytes)"));
}
