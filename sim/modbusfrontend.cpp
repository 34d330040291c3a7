#include "modbusfrontend.h"

#include "modbus/valuelib.h"

namespace {

constexpr int kRtuRequest = 8;     // address, function, 4 bytes, CRC
constexpr int kMbapHeader = 6;     // transaction, protocol, length
constexpr int kLongestMbapLength = 254;
constexpr int kReadRequestLength = 6; // MBAP length of a read: unit, function, 4 bytes
constexpr int kMostRegisters = 125;   // the most one read may ask for
constexpr quint8 kBroadcast = 0;

// Exception codes of the Modbus application protocol.
constexpr quint8 kIllegalFunction = 0x01;
constexpr quint8 kIllegalDataAddress = 0x02;
constexpr quint8 kIllegalDataValue = 0x03;
constexpr quint8 kTargetFailedToRespond = 0x0B;

quint8 Byte(QByteArrayView bytes, qsizetype i)
{
    return static_cast<quint8>(bytes[i]);
}

int Word(QByteArrayView bytes, qsizetype i)
{
    return Byte(bytes, i) * 256 + Byte(bytes, i + 1);
}

quint16 CrcOf(QByteArrayView bytes)
{
    return static_cast<quint16>(valuelib::CRC16(bytes, static_cast<qint32>(bytes.size())));
}

QByteArray Crc(QByteArrayView bytes)
{
    const quint16 crc = CrcOf(bytes);
    QByteArray check;
    check.append(static_cast<char>(crc & 0xFF));
    check.append(static_cast<char>((crc >> 8) & 0xFF));
    return check;
}

// Judged at every byte offset while hunting for a frame, so it makes no copies.
bool GoodCrc(QByteArrayView frame)
{
    if (frame.size() <= 2)
        return false;
    const quint16 crc = CrcOf(frame.first(frame.size() - 2));
    return Byte(frame, frame.size() - 2) == (crc & 0xFF) && Byte(frame, frame.size() - 1) == (crc >> 8);
}

// The MBAP length field when the bytes start like a Modbus TCP request
// with at least a unit, a function code and four bytes of data.
std::optional<int> MbapLength(QByteArrayView bytes)
{
    if (bytes.size() < kMbapHeader || Word(bytes, 2) != 0)
        return std::nullopt;
    const int length = Word(bytes, 4);
    if (length < kReadRequestLength || length > kLongestMbapLength)
        return std::nullopt;
    return length;
}

QByteArray Exception(quint8 function, quint8 code)
{
    QByteArray pdu;
    pdu.append(static_cast<char>(function | 0x80));
    pdu.append(static_cast<char>(code));
    return pdu;
}

QByteArray Word(int value)
{
    QByteArray bytes;
    bytes.append(static_cast<char>((value >> 8) & 0xFF));
    bytes.append(static_cast<char>(value & 0xFF));
    return bytes;
}

} // namespace

FrameJudgement JudgeModbusFrame(QByteArrayView bytes)
{
    using Verdict = FrameJudgement::Verdict;
    const std::optional<int> length = MbapLength(bytes);
    // A whole TCP read request wins; an RTU request for register 0-255 also
    // starts like an MBAP header, but is whole at 8 bytes with its CRC.
    if (length && bytes.size() >= kMbapHeader + *length)
        return {Verdict::Complete, kMbapHeader + *length, 0};
    if (bytes.size() >= kRtuRequest && GoodCrc(bytes.first(kRtuRequest)))
        return {Verdict::Complete, kRtuRequest, 0};
    if (length)
        return {Verdict::Incomplete, 0, kMbapHeader + *length - static_cast<int>(bytes.size())};
    if (bytes.size() < kRtuRequest)
        return {Verdict::Incomplete, 0, kRtuRequest - static_cast<int>(bytes.size())};
    return {Verdict::Invalid, 0, 0};
}

ModbusFrontEnd::ModbusFrontEnd(ModbusMap map) : m_Map(std::move(map)) {}

BusAnswer ModbusFrontEnd::Answer(const QByteArray& request)
{
    BusAnswer answer;
    const std::optional<int> length = MbapLength(request);
    const bool tcp = length && request.size() == kMbapHeader + *length;
    if (!tcp && !GoodCrc(request))
        return answer; // a damaged frame: a slave stays silent
    const quint8 unit = Byte(request, tcp ? kMbapHeader : 0);
    const QByteArray pdu = tcp ? request.mid(kMbapHeader + 1) : request.mid(1, request.size() - 3);
    const ModbusSlave* slave = nullptr;
    for (const ModbusSlave& candidate : m_Map.slaves) {
        if (candidate.address == unit)
            slave = &candidate;
    }
    // On the serial line only the addressed slave answers, and nobody a
    // broadcast; over TCP the gateway says when nobody is there.
    if (!tcp && (!slave || unit == kBroadcast))
        return answer;
    const QByteArray reply = Respond(slave, pdu);
    if (tcp) {
        const int transaction = (Word(request, 0) + (m_Map.faults.wrongTransactionId ? 1 : 0)) & 0xFFFF;
        answer.bytes = Word(transaction) + Word(0) + Word(static_cast<int>(reply.size()) + 1) + char(unit) + reply;
    } else {
        QByteArray frame = char(unit) + reply;
        QByteArray crc = Crc(frame);
        if (m_Map.faults.badCrc) {
            crc[0] = static_cast<char>(~crc[0]);
            crc[1] = static_cast<char>(~crc[1]);
        }
        answer.bytes = frame + crc;
    }
    answer.answering = 1;
    return answer;
}

QByteArray ModbusFrontEnd::Respond(const ModbusSlave* slave, const QByteArray& pdu)
{
    const quint8 function = pdu.isEmpty() ? 0 : Byte(pdu, 0);
    if (!slave)
        return Exception(function, kTargetFailedToRespond);
    if (function != 3 && function != 4)
        return Exception(function, kIllegalFunction);
    if (pdu.size() != 5)
        return Exception(function, kIllegalDataValue);
    const int first = Word(pdu, 1);
    const int count = Word(pdu, 3);
    if (count < 1 || count > kMostRegisters)
        return Exception(function, kIllegalDataValue);
    const std::optional<QByteArray> data = ReadRegisters(*slave, function, first, count);
    if (!data)
        return Exception(function, kIllegalDataAddress);
    return char(function) + QByteArray(1, static_cast<char>(data->size())) + *data;
}

std::optional<QByteArray> ModbusFrontEnd::ReadRegisters(const ModbusSlave& slave, int function, int first, int count)
{
    const QList<ModbusValue>& table = function == 3 ? slave.holding : slave.input;
    if (first + count > 65536)
        return std::nullopt;
    QByteArray data(2 * count, '\0');
    QList<bool> covered(count, false);
    QList<qsizetype> read;
    for (qsizetype index = 0; index < table.size(); ++index) {
        const ModbusValue& value = table[index];
        const int start = std::max(first, value.firstRegister);
        const int end = std::min(first + count, value.firstRegister + value.Registers());
        if (start >= end)
            continue;
        const QByteArray bytes = value.BytesAfter(m_Reads[{slave.address, function, index}]);
        for (int r = start; r < end; ++r) {
            data.replace(2 * (r - first), 2, bytes.mid(2 * (r - value.firstRegister), 2));
            covered[r - first] = true;
        }
        read.append(index);
    }
    if (covered.contains(false))
        return std::nullopt; // a refused read changes no value
    for (const qsizetype index : read)
        ++m_Reads[{slave.address, function, index}];
    return data;
}
