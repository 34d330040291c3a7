// The Modbus reply judge and the check of a whole reply, on any bytes a
// gateway or a slave sends, in both framings.
#include "fuzzcheck.h"

#include "modbus/modbuscodec.h"

using modbus::Framing;

namespace {

quint8 At(const QByteArray& bytes, qsizetype at)
{
    return static_cast<quint8>(bytes[at]);
}

// CRC-16 of the serial line (polynomial A001h reflected, start FFFFh),
// worked out here bit by bit rather than taken from the codec.
quint16 SerialLineCrc(const QByteArray& bytes)
{
    quint16 crc = 0xFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

void CheckJudgement(const QByteArray& received, Framing framing, qint64 registerCount)
{
    const ModbusReplyLengths lengths = ExpectedModbusReplyLengths(framing, registerCount);
    const ModbusWaitJudgement judged = JudgeModbusReply(received, framing, lengths);
    const qsizetype functionAt = framing == Framing::Tcp ? 7 : 1;
    switch (judged.verdict) {
    case ModbusWaitJudgement::Verdict::Exception:
        // exactly the exception's length, with the bit set and the code after it
        FUZZ_CHECK(received.size() == (framing == Framing::Tcp ? 9 : 5));
        FUZZ_CHECK(At(received, functionAt) & modbus::kExceptionBit);
        FUZZ_CHECK(judged.exceptionCode == At(received, functionAt + 1));
        break;
    case ModbusWaitJudgement::Verdict::Complete:
        FUZZ_CHECK(received.size() >= lengths.full);
        // the reply is the whole bytes or the MBAP frame at their start, never short of the full length
        FUZZ_CHECK(judged.replyLength >= lengths.full && judged.replyLength <= received.size());
        FUZZ_CHECK(lengths.full == 2 * registerCount + 3 + (framing == Framing::Tcp ? 6 : 2));
        break;
    case ModbusWaitJudgement::Verdict::Incomplete:
        FUZZ_CHECK(received.size() < lengths.full);
        break;
    }
}

void CheckReply(const QByteArray& reply, Framing framing, int counter)
{
    const ModbusReplyCheck check = CheckModbusReply(reply, framing, counter);
    if (check.result != ModbusReplyCheck::Result::Good) {
        FUZZ_CHECK(!check.text.isEmpty());
        FUZZ_CHECK(check.registerData.isEmpty());
        return;
    }
    if (framing == Framing::Tcp) {
        // a good TCP reply carries the request's transaction identifier
        FUZZ_CHECK(reply.size() >= 2 && At(reply, 0) * 256 + At(reply, 1) == counter);
        FUZZ_CHECK(check.registerData == reply.mid(modbus::kTcpReplyHeader));
        return;
    }
    // a good RTU reply ends in the CRC of what comes before it, low byte first
    FUZZ_CHECK(reply.size() >= 2);
    const quint16 crc = SerialLineCrc(reply.chopped(2));
    FUZZ_CHECK(At(reply, reply.size() - 2) == (crc & 0xFF) && At(reply, reply.size() - 1) == crc >> 8);
    const qsizetype dataSize = reply.size() - modbus::kRtuReplyHeader - modbus::kCrcBytes;
    FUZZ_CHECK(check.registerData == (dataSize > 0 ? reply.mid(modbus::kRtuReplyHeader, dataSize) : QByteArray()));
}

} // namespace

// The first byte chooses the framing, the register count asked for and the
// transaction counter; the rest is what arrived.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const FuzzSteer input = Steered(data, size);
    const Framing framing = (input.steer & 1) ? Framing::Tcp : Framing::Rtu;
    const qint64 registerCount = input.steer >> 1;
    const int counter = input.steer % (modbus::kHighestTransactionIdentifier + 1);
    CheckJudgement(input.rest, framing, registerCount);
    CheckReply(input.rest, framing, counter);

    // A request made from the bytes passes the same checks a reply does.
    if (input.rest.size() >= 7) {
        const auto word = [&](int at) { return At(input.rest, at) * 256 + At(input.rest, at + 1); };
        const ModbusRequest request{At(input.rest, 0), At(input.rest, 1) & 1, word(2), word(4)};
        FUZZ_CHECK(CheckModbusReply(ModbusRtuRequest(request), Framing::Rtu, 0).result == ModbusReplyCheck::Result::Good);
        FUZZ_CHECK(CheckModbusReply(ModbusTcpRequest(request, counter), Framing::Tcp, counter).result
                   == ModbusReplyCheck::Result::Good);
    }
    return 0;
}
