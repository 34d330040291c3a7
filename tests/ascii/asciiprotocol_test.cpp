#include "ascii/asciiprotocol.h"

#include "comm/latereplies.h"
#include "testenvironment.h"

#include <gtest/gtest.h>

namespace {

constexpr char STX = 0x02;
constexpr char ETX = 0x03;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;

QByteArray Bytes(std::initializer_list<QByteArray> parts)
{
    QByteArray bytes;
    for (const QByteArray& part : parts)
        bytes += part;
    return bytes;
}

QByteArray Char(char c)
{
    return QByteArray(1, c);
}

} // namespace

TEST(AsciiRequest, FramesCarrySequenceProtocolStationTagAndTheChecksumOfProtocolOne)
{
    struct Row {
        const char* source;
        AsciiRequest request;
        QByteArray frame;
    };
    // "010105": 3*48 + 2*49 + 53 = 295; "TANK.LEVEL": 84+65+78+75+46+76+69+86+69+76 = 724;
    // 1019 mod 256 = 251 = FBh
    const Row rows[] = {
        {"the documented example", {1, 0, 5, "TANK.LEVEL"}, Bytes({Char(STX), "010005TANK.LEVEL", Char(ETX)})},
        {"protocol 1 adds the sum of sequence to tag", {1, 1, 5, "TANK.LEVEL"},
         Bytes({Char(STX), "010105TANK.LEVELFB", Char(ETX)})},
        // "000100": 5*48 + 49 = 289 mod 256 = 33 = 21h
        {"protocol 1 with an empty tag", {0, 1, 0, ""}, Bytes({Char(STX), "00010021", Char(ETX)})},
        // "990199" + FFh FFh: 4*57 + 48 + 49 + 2*255 = 835 mod 256 = 67 = 43h
        {"a sum above 255 wraps, high bytes count as 0-255", {99, 1, 99, "\xFF\xFF"},
         Bytes({Char(STX), "990199\xFF\xFF" "43", Char(ETX)})},
        {"the tag goes out unchanged", {7, 0, 0, "A, \"B\""}, Bytes({Char(STX), "070000A, \"B\"", Char(ETX)})},
        {"station beyond two digits is clamped", {1, 0, 150, "X"}, Bytes({Char(STX), "010099X", Char(ETX)})},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AsciiRequestFrame(row.request), row.frame) << row.source;
}

TEST(AsciiRequest, SequenceRunsOneToNinetyNineThenZero)
{
    int counter = 0; // as at start
    QList<int> sent;
    for (int request = 1; request <= 101; ++request) {
        counter = NextAsciiSequence(counter);
        sent << counter;
    }
    EXPECT_EQ(sent.front(), 1);
    EXPECT_EQ(sent[98], 99);
    EXPECT_EQ(sent[99], 0) << "the 100th request";
    EXPECT_EQ(sent[100], 1);
}

TEST(AsciiRequest, StationTextIsClampedToTwoDigits)
{
    const std::pair<const char*, int> rows[] = {
        {"5", 5}, {"0", 0}, {"99", 99}, {"100", 99}, {"-3", 0}, {"abc", 0}, {"", 0}, {"12abc", 12}, {" 7", 7},
        {"99999999999999999999", 99},
    };
    for (const auto& [text, station] : rows)
        EXPECT_EQ(AsciiStationFromText(QString::fromLatin1(text)), station) << text;
}

TEST(AsciiRequest, OnlyANameThatFitsTheFrameIsSent)
{
    const std::pair<QByteArray, bool> rows[] = {
        {"TANK.LEVEL", true}, {" A ", true}, {"", false}, {"  \t", false}, {"TANK\x03LEVEL", false}, {"\x02X", false},
    };
    for (const auto& [tag, sendable] : rows)
        EXPECT_EQ(IsAsciiItemName(tag), sendable) << tag.toHex().constData();
}

TEST(AsciiReplyJudge, AckOrNakFirstAndEtxLast)
{
    const QByteArray value = Bytes({Char(ACK), "010005", "12.5", Char(ETX)});
    const QByteArray error = Bytes({Char(NAK), "010005", "I", Char(ETX)});
    EXPECT_EQ(JudgeAsciiReply(value), AsciiReplyKind::Value);
    EXPECT_EQ(JudgeAsciiReply(error), AsciiReplyKind::Error);
    // one byte at a time: only the whole reply counts
    for (qsizetype n = 0; n < value.size(); ++n)
        EXPECT_EQ(JudgeAsciiReply(value.left(n)), AsciiReplyKind::Incomplete) << n;
    // no ETX yet, a bad first byte, a lone ETX
    EXPECT_EQ(JudgeAsciiReply(Bytes({Char(ACK), "0100051"})), AsciiReplyKind::Incomplete);
    EXPECT_EQ(JudgeAsciiReply(Bytes({"x", Char(ACK), "010005", Char(ETX)})), AsciiReplyKind::Incomplete);
    EXPECT_EQ(JudgeAsciiReply(Char(ETX)), AsciiReplyKind::Incomplete);
    // shorter than 8 bytes is still a reply when it is framed
    EXPECT_EQ(JudgeAsciiReply(Bytes({Char(ACK), Char(ETX)})), AsciiReplyKind::Value);
    // 64 kB of value
    EXPECT_EQ(JudgeAsciiReply(Bytes({Char(ACK), QByteArray(65536, '7'), Char(ETX)})), AsciiReplyKind::Value);
}

TEST(AsciiReplyJudge, ValueBytesFollowTheProtocol)
{
    struct Row {
        const char* source;
        QByteArray reply;
        int protocol;
        QByteArray value;
    };
    const Row rows[] = {
        {"protocol 0: byte 8 up to ETX", Bytes({Char(ACK), "010005", "12.5", Char(ETX)}), 0, "12.5"},
        // the checksum is that of "01010512.5" (EDh); it is not checked
        {"protocol 1: the checksum before ETX is left out", Bytes({Char(ACK), "010105", "12.5", "ED", Char(ETX)}), 1,
         "12.5"},
        {"protocol 1, exactly 9 bytes: byte 8 alone", Bytes({Char(ACK), "010105", "7", Char(ETX)}), 1, "7"},
        {"protocol 1, 10 bytes: only the checksum", Bytes({Char(ACK), "010105", "7A", Char(ETX)}), 1, ""},
        {"protocol 0, an empty value", Bytes({Char(ACK), "010005", Char(ETX)}), 0, ""},
        {"shorter than byte 8", Bytes({Char(ACK), "0100", Char(ETX)}), 0, ""},
        {"shorter than byte 8, protocol 1", Bytes({Char(ACK), "01", Char(ETX)}), 1, ""},
        {"an error reply shows its letter", Bytes({Char(NAK), "010005", "I", Char(ETX)}), 0, "I"},
        {"nothing", QByteArray(), 1, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(AsciiReplyValue(row.reply, row.protocol), row.value) << row.source;
}

TEST(AsciiReplies, ALateReplyIsKnownByTheNumberItEchoes)
{
    struct Row {
        const char* source;
        QByteArray received;
        QList<int> timedOut; // requests that timed out and were not answered since
        qsizetype length;
    };
    const Row rows[] = {
        {"the current request's answer", Bytes({Char(ACK), "050000", "1", Char(ETX)}), {4}, 0},
        {"the previous request's answer", Bytes({Char(ACK), "040000", "1", Char(ETX), Char(ACK), "05"}), {4}, 9},
        {"an error reply to an earlier request", Bytes({Char(NAK), "980005", "T", Char(ETX)}), {98, 2}, 9},
        {"across the wrap 99 -> 0", Bytes({Char(ACK), "95", Char(ETX)}), {95}, 4},
        {"a gateway echoing 00 while nothing timed out", Bytes({Char(ACK), "000000", "1", Char(ETX)}), {}, 0},
        {"an earlier number that was answered in time", Bytes({Char(ACK), "040000", "1", Char(ETX)}), {3}, 0},
        {"an echo that is not two digits", Bytes({Char(ACK), "4 0000", "1", Char(ETX)}), {4}, 0},
        {"not whole yet", Bytes({Char(ACK), "040000", "1"}), {4}, 0},
        {"too short to echo", Bytes({Char(ACK), Char(ETX)}), {4}, 0},
        {"no ACK or NAK first", Bytes({"x040000", "1", Char(ETX)}), {4}, 0},
    };
    for (const Row& row : rows) {
        UnansweredRequests unanswered;
        for (const int number : row.timedOut)
            unanswered.TimedOut(number);
        EXPECT_EQ(LeadingLateAsciiReplyLength(row.received, unanswered), row.length) << row.source;
    }
    // a late reply answers its request: the same echo once more is judged as an answer
    UnansweredRequests unanswered;
    unanswered.TimedOut(4);
    const QByteArray late = Bytes({Char(ACK), "040000", "1", Char(ETX)});
    EXPECT_EQ(LeadingLateAsciiReplyLength(late, unanswered), 9);
    EXPECT_EQ(LeadingLateAsciiReplyLength(late, unanswered), 0);
    // a new request under the number makes its echo the new request's
    unanswered.TimedOut(7);
    unanswered.Sent(7);
    EXPECT_EQ(LeadingLateAsciiReplyLength(Bytes({Char(ACK), "07", Char(ETX)}), unanswered), 0);
}

TEST(AsciiReplies, AReplyEndsAtItsFirstEtxOnlyWhenAWholeReplyFollows)
{
    const QByteArray reply = Bytes({Char(ACK), "010000", "7", Char(ETX)});
    struct Row {
        const char* source;
        QByteArray received;
        qsizetype length;
    } rows[] = {
        {"one reply", reply, 9},
        {"the same datagram twice", reply + reply, 9},
        {"an error reply behind it", reply + Bytes({Char(NAK), "01", "T", Char(ETX)}), 9},
        {"junk behind the ETX", reply + "XY", 11},
        {"a second reply not whole yet", reply + Bytes({Char(ACK), "01"}), 12},
        {"no ETX yet", Bytes({Char(ACK), "01"}), 3},
        {"nothing", QByteArray(), 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AsciiReplyLength(row.received), row.length) << row.source;
}

TEST(AsciiErrors, EveryLetterHasItsTextAndOthersAreUnknown)
{
    const std::pair<char, const char*> rows[] = {
        {'C', "Error C: Crc fault"},
        {'D', "Error D: Wrong data type (Must be VT_BSTR)"},
        {'I', "Error I: Can't find Item ID"},
        {'L', "Error L: Bad Length"},
        {'M', "Error M: Timeout master port"},
        {'N', "Error N: No complete request message"},
        {'O', "Error O: To many read items"},
        {'S', "Error S: No start character"},
        {'T', "Error T: Timeout slave port"},
        {'V', "Error V: Validation (Write value out of range)"},
        {'X', "Error X: Internal use for wrong multi drop address"},
        {'Q', "Unknown AsciiError"},
        {'c', "Unknown AsciiError"},
        {'\0', "Unknown AsciiError"},
    };
    for (const auto& [letter, text] : rows)
        EXPECT_EQ(AsciiErrorText(letter), QString::fromLatin1(text)) << letter;

    EXPECT_EQ(AsciiErrorLetter(Bytes({Char(NAK), "010005", "Q", Char(ETX)})), 'Q');
    // a NAK reply of two bytes has NAK itself before ETX
    EXPECT_EQ(AsciiErrorText(AsciiErrorLetter(Bytes({Char(NAK), Char(ETX)}))), "Unknown AsciiError");
    EXPECT_EQ(AsciiErrorLetter(Char(ETX)), '\0');
}

TEST(AsciiErrors, TimeoutNoteCountsTheBytesHeld)
{
    EXPECT_EQ(AsciiTimeoutNote(0), "BusTimeout (Received 0 bytes)");
    EXPECT_EQ(AsciiTimeoutNote(1), "BusTimeout (Received 1 bytes)");
    EXPECT_EQ(AsciiTimeoutNote(1024), "BusTimeout (Received 1024 bytes)");
}
