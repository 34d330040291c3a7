#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

#include <optional>

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

namespace {

// One buffer as the judge sees it after an arrival, and what it must say.
struct JudgeRow {
    const char* where; // where the bytes come from
    QByteArray bytes;
    bool complete;
    std::optional<int> lengthField;
    bool wrongFrame;
};

QByteArray Changed(QByteArray bytes, qsizetype at, char value)
{
    bytes[at < 0 ? bytes.size() + at : at] = value;
    return bytes;
}

// How a timeout is noted, by what arrived.
struct NoteRow {
    int received;
    int lengthField;
    bool wrongFrame;
    const char* note;
};

} // namespace

TEST(MBusReplyJudge, DamagedAndMalformedFramesAreNeverReplies)
{
    const QByteArray good = MeterReply();
    const int l = good[1];
    const JudgeRow rows[] = {
        {"checksum one too high", Changed(good, -2, static_cast<char>(good[good.size() - 2] + 1)), false, l, true},
        {"stop byte 00h instead of 16h", Changed(good, -1, '\x00'), false, l, true},
        {"start byte 69h: no header", Changed(good, 0, '\x69'), false, std::nullopt, false},
        {"second L one higher: the first L counts", Changed(good, 2, static_cast<char>(l + 1)), false, l, true},
        // L counts C, A and CI: below 3 the frame cannot be whole (fuzzing found these)
        {"L = 0, checksum over nothing", Hex("680000680016"), false, 0, true},
        {"L = 0, no stop byte", Hex("680000680000"), false, 0, true},
        {"L = 1, C only", Hex("68010168050516"), false, 1, true},
        {"L = 2, C and A", Hex("6802026808010916"), false, 2, true},
        {"L = 3 with its checksum", Hex("680303680801727B16"), true, 3, false},
        {"L = 255 with only the header", Hex("68FFFF68"), false, 255, false},
        {"largest frame", *LongFrame(0x08, 1, 0x72, QByteArray(252, '\x11')), true, 255, false},
        {"fuzzing: checksum wrong, full length", Hex("6805056808017201020016"), false, 5, true},
        {"SND_NKE to 5, a short frame", Hex("1040054516"), false, std::nullopt, true},
        {"REQ_UD2 with a wrong checksum, still a short frame", Hex("105B050016"), false, std::nullopt, true},
        {"five bytes that are no frame", Hex("0102030405"), false, std::nullopt, false},
        {"a good frame still taken after all that", good, true, l, false},
    };
    for (const JudgeRow& row : rows) {
        const MBusReplyCheck check = CheckMBusReply(row.bytes);
        EXPECT_EQ(check.complete, row.complete) << row.where;
        EXPECT_EQ(check.lengthField, row.lengthField) << row.where;
        EXPECT_EQ(check.wrongFrame, row.wrongFrame) << row.where;
    }
}

TEST(MBusTimeoutNotes, OneNoteForEachWayAReplyCanFail)
{
    const NoteRow rows[] = {
        {0, 0, false, "BusTimeout"},
        {1, 0, false, "BusTimeout (Received 1 byte)"},
        {3, 0, false, "BusTimeout (Received 3 byte)"},
        {4, 0, false, "BusTimeout (Received only 4 of 6 bytes)"}, // four bytes without a header
        {7, 0, false, "BusTimeout (Received 7 bytes)"},
        {40, 21, false, "BusTimeout (Received to many bytes 40 of 27)"},
        {10, 21, false, "BusTimeout (Received only 10 of 27 bytes)"},
        // everything expected came, but the frame is wrong
        {27, 21, true, "BusTimeout (Received 27 bytes, bad frame)"},
        {11, 5, true, "BusTimeout (Received 11 bytes, bad frame)"},
        {5, 0, true, "BusTimeout (Received 5 bytes, bad frame)"}, // a short frame
        {6, 0, true, "BusTimeout (Received 6 bytes, bad frame)"}, // 68 00 00 68 00 00
    };
    for (const NoteRow& row : rows)
        EXPECT_EQ(MBusTimeoutNote(row.received, row.lengthField, row.wrongFrame), QString::fromLatin1(row.note))
            << row.note;
    // What the judge says of the fuzzed frame is what the note says.
    const QByteArray fuzzed = Hex("6805056808017201020016");
    const MBusReplyCheck check = CheckMBusReply(fuzzed);
    EXPECT_EQ(MBusTimeoutNote(static_cast<int>(fuzzed.size()), *check.lengthField, check.wrongFrame),
        QStringLiteral("BusTimeout (Received 11 bytes, bad frame)"));
}

TEST(MBusMissingReplies, SilenceCutOffFramesAndGarbleAreToldApart)
{
    using Kind = MissingReply::Kind;
    const QByteArray reply = MeterReply(); // 27 bytes
    const struct {
        const char* where;
        QByteArray received;
        Kind kind;
        int expected;
    } rows[] = {
        {"nothing", {}, Kind::Silence, 0},
        {"the header and two bytes", reply.left(6), Kind::Incomplete, 27},
        {"all but the stop byte", reply.chopped(1), Kind::Incomplete, 27},
        {"two answers overlaid", reply + reply, Kind::Garbled, 0},
        {"wrong checksum", reply.left(25) + Hex("0016"), Kind::Garbled, 0},
        {"length bytes that differ", Hex("68151668080172"), Kind::Garbled, 0},
        {"a start without its length", Hex("68"), Kind::Garbled, 0},
        {"noise", Hex("E5FF"), Kind::Garbled, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
        const MissingReply missing = JudgeMissingReply(row.received);
        EXPECT_EQ(missing.kind, row.kind);
        EXPECT_EQ(missing.received, row.received.size());
        EXPECT_EQ(missing.expected, row.expected);
    }
}

// A meter puts its own primary address into its frames: a whole frame from
// another address is no answer to the request, except where the request
// went through 253 or 254 for data and every meter answers with its own.
TEST(MBusReplyJudge, AFrameFromAnotherAddressIsALateAnswer)
{
    const QByteArray fromOne = MeterReply(); // A = 01h
    const QByteArray selection = *LongFrame(mbus::kSndUd, 0xFD, mbus::kCiSelectSlave, Hex("78563412FFFFFFFF"));
    struct Row {
        const char* source;
        QByteArray received;
        QByteArray request;
        qsizetype length;
    } rows[] = {
        {"REQ_UD2 to 1, answered by 1", fromOne, ShortFrame(mbus::kReqUd2, 1), 0},
        {"REQ_UD2 to 4, answered by 1", fromOne, ShortFrame(mbus::kReqUd2, 4), fromOne.size()},
        {"the same with the frame count bit set, 4's own behind it", fromOne + Hex("E5"), ShortFrame(mbus::kReqUd2Fcb, 4),
         fromOne.size()},
        {"SND_NKE to 4: a long frame from 1 is late", fromOne, ShortFrame(mbus::kSndNke, 4), fromOne.size()},
        {"a selection through 253 is answered by E5h only", fromOne, selection, fromOne.size()},
        {"REQ_UD2 to the selected slave: the address proves nothing", fromOne, ShortFrame(mbus::kReqUd2, 0xFD), 0},
        {"REQ_UD2 to all: the address proves nothing", fromOne, ShortFrame(mbus::kReqUd2Fcb, 0xFE), 0},
        {"not whole yet", fromOne.left(10), ShortFrame(mbus::kReqUd2, 4), 0},
        {"a bad checksum is judged as the reply", fromOne.left(fromOne.size() - 2) + Hex("0016"),
         ShortFrame(mbus::kReqUd2, 4), 0},
        {"an acknowledgement", Hex("E5"), ShortFrame(mbus::kSndNke, 4), 0},
        {"bytes that are no M-Bus request", fromOne, Hex("0102"), 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LeadingLateMBusFrameLength(row.received, row.request), row.length) << row.source;
}
