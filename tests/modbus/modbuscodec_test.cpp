// Modbus read requests and the judging of their replies. Expected bytes are
// written out from the Modbus application protocol (function 3/4 PDU), the
// MBAP header of Modbus TCP and the CRC of the serial line guide.
#include "modbus/modbuscodec.h"
#include "modbus/latereply.h"

#include "comm/latereplies.h"

#include "testenvironment.h"

#include <gtest/gtest.h>

using modbus::Framing;

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(text);
}

TEST(ModbusRequestTest, RequestBytesInBothFramings)
{
    struct Row {
        const char* source;
        ModbusRequest request;
        Framing framing;
        int transaction;
        const char* expected;
    } rows[] = {
        {"slave 1, function 3, register 0, 2 registers; CRC C4 0B low byte first",
         {1, 0, 0, 2}, Framing::Rtu, 0, "010300000002C40B"},
        {"the serial line guide's example: slave 17 reads holding registers 108-110",
         {17, 0, 107, 3}, Framing::Rtu, 0, "1103006B00037687"},
        {"function 4 from list index 1, register 100, 10 registers",
         {1, 1, 100, 10}, Framing::Rtu, 0, "01040064000A31D2"},
        {"MBAP: transaction 1, protocol 0, length 6, then unit and PDU",
         {1, 0, 0, 2}, Framing::Tcp, 1, "000100000006010300000002"},
        {"transaction 100, slave 255, function 4, register 65535, 65535 registers",
         {255, 1, 65535, 65535}, Framing::Tcp, 100, "006400000006FF04FFFFFFFF"},
        {"out of range: negative becomes 0, above the limit the limit",
         {-4, 0, 70000, -1}, Framing::Tcp, 7, "0007000000060003FFFF0000"},
        {"slave 256 and a count of 100000 clamp to FFh and FFFFh",
         {256, 1, -9, 100000}, Framing::Rtu, 0, "FF040000FFFFE464"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        const QByteArray frame = row.framing == Framing::Tcp ? ModbusTcpRequest(row.request, row.transaction)
                                                             : ModbusRtuRequest(row.request);
        EXPECT_EQ(frame.toHex().toUpper(), QByteArray(row.expected).toUpper());
    }
}

TEST(ModbusRequestTest, FieldsThatCannotBeSentAreNamed)
{
    using Field = ModbusRequestField;
    const struct {
        const char* slave;
        const char* first;
        const char* count;
        Field refused;
    } rows[] = {
        {"1", "0", "1", Field::None},           {" 255 ", "65535", "65535", Field::None},
        {"", "0", "1", Field::SlaveAddress},    {"0", "0", "1", Field::SlaveAddress},
        {"256", "0", "1", Field::SlaveAddress}, {"1.5", "0", "1", Field::SlaveAddress},
        {"x", "0", "1", Field::SlaveAddress},   {"1", "", "1", Field::FirstRegister},
        {"1", "65536", "1", Field::FirstRegister}, {"1", "-1", "1", Field::FirstRegister},
        {"1", "0", "", Field::RegisterCount},   {"1", "0", "0", Field::RegisterCount},
        {"1", "0", "65536", Field::RegisterCount}, {"1", "0", "4a", Field::RegisterCount},
    };
    for (const auto& row : rows)
        EXPECT_EQ(RefusedModbusField(row.slave, row.first, row.count), row.refused)
            << row.slave << '|' << row.first << '|' << row.count;
}

TEST(ModbusRequestTest, TransactionIdentifiersRunOneToHundredThenZero)
{
    int counter = 0; // as after loading
    QList<int> used;
    for (int read = 0; read < 102; ++read) {
        counter = NextTransactionIdentifier(counter);
        used << counter;
    }
    EXPECT_EQ(used.first(), 1);
    EXPECT_EQ(used[99], 100);
    EXPECT_EQ(used[100], 0);
    EXPECT_EQ(used[101], 1);
}

TEST(ModbusRequestTest, ExpectedLengthsInThirtyTwoBits)
{
    struct Row {
        Framing framing;
        qint64 count;
        qint32 full;
        qint32 exception;
    } rows[] = {
        {Framing::Rtu, 2, 9, 5},           // address, function, count, 4 data bytes, CRC
        {Framing::Tcp, 2, 13, 9},          // MBAP 6 + unit, function, count + 4
        {Framing::Rtu, 0, 5, 5},           // a count of 0: as long as an exception
        {Framing::Tcp, 0, 9, 9},
        {Framing::Rtu, 65535, 131075, 5},  // beyond 16 bits
        {Framing::Tcp, 65535, 131079, 9},
        {Framing::Tcp, 1000000, 131079, 9}, // the count that is sent: 65535
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.count);
        const ModbusReplyLengths lengths = ExpectedModbusReplyLengths(row.framing, row.count);
        EXPECT_EQ(lengths.full, row.full);
        EXPECT_EQ(lengths.exception, row.exception);
    }
}

TEST(ModbusReplyJudgeTest, ExceptionsWholeRepliesAndWhatIsStillMissing)
{
    using Verdict = ModbusWaitJudgement::Verdict;
    const ModbusReplyLengths tcp2 = ExpectedModbusReplyLengths(Framing::Tcp, 2);
    const ModbusReplyLengths rtu2 = ExpectedModbusReplyLengths(Framing::Rtu, 2);
    const ModbusReplyLengths tcp0 = ExpectedModbusReplyLengths(Framing::Tcp, 0);
    struct Row {
        const char* source;
        QByteArray received;
        Framing framing;
        ModbusReplyLengths lengths;
        Verdict verdict;
        int code;
        qsizetype length = -1; // the reply's bytes; -1: all held
    } rows[] = {
        {"TCP exception: 9 bytes, function 83h, code 2", Hex("000100000003018302"), Framing::Tcp, tcp2,
         Verdict::Exception, 2},
        {"RTU exception: 01 83 02 and its CRC", Hex("018302C0F1"), Framing::Rtu, rtu2, Verdict::Exception, 2},
        {"RTU exception with a bad CRC still ends the wait", Hex("0183020000"), Framing::Rtu, rtu2,
         Verdict::Exception, 2},
        {"unknown exception code 0Ch", Hex("00010000000301830C"), Framing::Tcp, tcp2, Verdict::Exception, 12},
        {"exception length but no exception bit: wait on", Hex("000100000003010302"), Framing::Tcp, tcp2,
         Verdict::Incomplete, 0},
        {"exception bit but one byte more: neither", Hex("018302000000"), Framing::Rtu, rtu2, Verdict::Incomplete, 0},
        {"count 0: the 9-byte exception wins over the full length", Hex("000100000003018303"), Framing::Tcp, tcp0,
         Verdict::Exception, 3},
        {"count 0: a 9-byte normal reply is whole", Hex("000100000003010300"), Framing::Tcp, tcp0, Verdict::Complete,
         0},
        {"whole RTU reply of 2 registers", Hex("010304000A01025A60"), Framing::Rtu, rtu2, Verdict::Complete, 0},
        {"one byte short", Hex("010304000A01025A"), Framing::Rtu, rtu2, Verdict::Incomplete, 0},
        {"oversize: taken as soon as the full length is there", Hex("010304000A01025A60FFFF"), Framing::Rtu, rtu2,
         Verdict::Complete, 0},
        {"two TCP replies in one chunk: the MBAP length ends the first", Hex("0001000000070103040001000200010000000701030400010002"), Framing::Tcp,
         tcp2, Verdict::Complete, 0, 13},
        {"a whole reply and junk behind it", Hex("000100000007010304000100020102"), Framing::Tcp, tcp2, Verdict::Complete, 0, 13},
        {"an MBAP length beyond the bytes held: all held", Hex("00010000000901030400010002FFFF"), Framing::Tcp, tcp2,
         Verdict::Complete, 0},
        {"an MBAP length short of the request's: all held", Hex("000100000003010300FFFFFFFF"), Framing::Tcp, tcp2,
         Verdict::Complete, 0},
        {"nothing yet", QByteArray(), Framing::Tcp, tcp2, Verdict::Incomplete, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        const ModbusWaitJudgement judgement = JudgeModbusReply(row.received, row.framing, row.lengths);
        EXPECT_EQ(judgement.verdict, row.verdict);
        EXPECT_EQ(judgement.exceptionCode, row.code);
        if (row.verdict != Verdict::Incomplete) {
            EXPECT_EQ(judgement.replyLength, row.length < 0 ? row.received.size() : row.length);
        }
    }
}

TEST(ModbusReplyJudgeTest, OneByteAtATimeEndsExactlyWhenTheReplyIsWhole)
{
    const QByteArray reply = Hex("000700000007010304000A0102");
    const ModbusReplyLengths lengths = ExpectedModbusReplyLengths(Framing::Tcp, 2);
    QByteArray received;
    for (qsizetype i = 0; i < reply.size(); ++i) {
        received.append(reply[i]);
        const bool whole = i + 1 == reply.size();
        EXPECT_EQ(JudgeModbusReply(received, Framing::Tcp, lengths).verdict == ModbusWaitJudgement::Verdict::Complete,
                  whole)
            << i;
    }
}

TEST(ModbusReplyCheckTest, RegisterDataOrTheRefusal)
{
    using Result = ModbusReplyCheck::Result;
    struct Row {
        const char* source;
        QByteArray reply;
        Framing framing;
        int counter;
        Result result;
        QByteArray data;
        const char* text;
    } rows[] = {
        {"TCP: data after MBAP, function and byte count", Hex("000700000007010304000A0102"), Framing::Tcp, 7,
         Result::Good, Hex("000A0102"), ""},
        {"TCP: another transaction's reply", Hex("000600000007010304000A0102"), Framing::Tcp, 7,
         Result::WrongTransactionIdentifier, {}, "Wrong Transaction identifier"},
        {"TCP: identifier 0 after the wrap", Hex("000000000007010304000A0102"), Framing::Tcp, 0, Result::Good,
         Hex("000A0102"), ""},
        {"TCP exception: no register data after the header", Hex("000700000003018302"), Framing::Tcp, 7,
         Result::Good, {}, ""},
        {"TCP: a byte count that disagrees is not compared", Hex("000700000007010309000A0102"), Framing::Tcp, 7,
         Result::Good, Hex("000A0102"), ""},
        {"RTU: data between byte count and CRC", Hex("010304000A01025A60"), Framing::Rtu, 0, Result::Good,
         Hex("000A0102"), ""},
        {"RTU: CRC bytes swapped", Hex("010304000A0102605A"), Framing::Rtu, 0, Result::BadCrc, {}, "Bad Crc"},
        {"RTU: oversize, the CRC covers all but the last two bytes", Hex("010304000A01025A60FFFF"), Framing::Rtu, 0,
         Result::BadCrc, {}, "Bad Crc"},
        {"RTU exception with a good CRC: no data", Hex("018302C0F1"), Framing::Rtu, 0, Result::Good, {}, ""},
        {"RTU exception with a bad CRC", Hex("018302F1C0"), Framing::Rtu, 0, Result::BadCrc, {}, "Bad Crc"},
        {"RTU: two bytes only", Hex("0000"), Framing::Rtu, 0, Result::BadCrc, {}, "Bad Crc"},
        {"RTU: one byte", Hex("01"), Framing::Rtu, 0, Result::BadCrc, {}, "Bad Crc"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        const ModbusReplyCheck check = CheckModbusReply(row.reply, row.framing, row.counter);
        EXPECT_EQ(check.result, row.result);
        EXPECT_EQ(check.registerData.toHex(), row.data.toHex());
        EXPECT_EQ(check.text, QString::fromLatin1(row.text));
    }
}

TEST(ModbusReplyCheckTest, ALateReplyToAnEarlierRequestIsFoundWhole)
{
    // MBAP: identifier, protocol 0000, length (unit, function, byte count, data).
    struct Row {
        const char* source;
        QByteArray received;
        QList<int> timedOut; // identifiers of requests that timed out, unanswered since
        qsizetype length;
    } rows[] = {
        {"the request before: 6 + 7 bytes", Hex("000600000007010304000A0102"), {6}, 13},
        {"an old request, with the current reply behind it", Hex("0000000000070103040001000200080000000701"), {0, 9}, 13},
        {"across the wrap: 100 before 0", Hex("006400000007010304000A0102"), {100}, 13},
        {"an exception reply to the request before", Hex("000600000003018302"), {6}, 9},
        {"a gateway answering with the identifier before, nothing timed out", Hex("000600000007010304000A0102"), {}, 0},
        {"an identifier whose request was answered in time", Hex("000600000007010304000A0102"), {5}, 0},
        {"not whole yet", Hex("00060000000701030400"), {6}, 0},
        {"a protocol other than 0", Hex("000600010007010304000A0102"), {6}, 0},
        {"too short for a header", Hex("0006000000"), {6}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        UnansweredRequests unanswered;
        for (const int identifier : row.timedOut)
            unanswered.TimedOut(identifier);
        EXPECT_EQ(LeadingLateTcpReplyLength(row.received, unanswered), row.length);
    }
}

TEST(ModbusExceptionTextTest, PrefixAndDescriptionOrUnknown)
{
    const std::pair<int, const char*> rows[] = {
        {1, "Modbuserror 01: Illegal function"},
        {2, "Modbuserror 02: Illegal data address"},
        {3, "Modbuserror 03: Illegal data value"},
        {4, "Modbuserror 04: Slave device or server failure"},
        {5, "Modbuserror 05: Acknowledge"},
        {6, "Modbuserror 06: Slave device or server is busy"},
        {7, "Modbuserror 07: Negative acknowledge"},
        {8, "Modbuserror 08: Memory parity error"},
        {9, "Modbuserror 09: Not defined"},
        {10, "Modbuserror 0A: Gateway path unavailable"},
        {11, "Modbuserror 0B: Target device failed to respond"},
        {12, "Unknown Modbuserror"},
        {0, "Unknown Modbuserror"},
        {255, "Unknown Modbuserror"},
    };
    for (const auto& [code, text] : rows)
        EXPECT_EQ(ModbusExceptionText(code), QString::fromLatin1(text)) << code;
    EXPECT_EQ(ModbusTimeoutNote(0), "BusTimeout (Received 0 bytes)");
    EXPECT_EQ(ModbusTimeoutNote(7), "BusTimeout (Received 7 bytes)");
}

} // namespace
