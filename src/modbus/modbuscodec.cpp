#include "modbuscodec.h"

#include "valuelib.h"

#include "base/textnumber.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>

using modbus::Framing;

namespace {

constexpr quint16 kProtocolIdentifier = 0;
constexpr quint16 kTcpRequestLength = 6; // unit identifier and the five PDU bytes
constexpr qint32 kTcpExceptionLength = 9;
constexpr qint32 kRtuExceptionLength = 5;
constexpr qint32 kTcpFraming = 6; // transaction, protocol and length before the unit identifier
constexpr qint32 kRtuFraming = 2; // the CRC

QByteArray CrcBytes(const QByteArray& bytes)
{
    const auto crc = static_cast<quint16>(valuelib::CRC16(bytes, static_cast<qint32>(bytes.size())) & 0xFFFF);
    QByteArray check;
    check.append(static_cast<char>(crc % 256));
    check.append(static_cast<char>(crc / 256));
    return check;
}

quint8 At(const QByteArray& bytes, qsizetype position)
{
    return static_cast<quint8>(bytes.at(position));
}

void AppendWord(QByteArray& bytes, quint16 n)
{
    bytes.append(static_cast<char>(n / 256));
    bytes.append(static_cast<char>(n % 256));
}

void AppendRequestPdu(QByteArray& bytes, const ModbusRequest& request)
{
    bytes.append(static_cast<char>(ClampToByte(request.slaveAddress)));
    bytes.append(static_cast<char>(ModbusFunctionCode(request.functionIndex)));
    AppendWord(bytes, ClampToWord(request.firstRegister));
    AppendWord(bytes, ClampToWord(request.registerCount));
}

} // namespace

ModbusRequestField RefusedModbusField(const QString& slaveAddress, const QString& firstRegister,
                                      const QString& registerCount)
{
    static const QRegularExpression wholeNumber(QStringLiteral(R"(^\s*\d+\s*$)"));
    const auto within = [](const QString& text, qint64 lowest, qint64 highest) {
        return wholeNumber.match(text).hasMatch() && LeadingNumber(text) >= lowest && LeadingNumber(text) <= highest;
    };
    if (!within(slaveAddress, 1, 255))
        return ModbusRequestField::SlaveAddress;
    if (!within(firstRegister, 0, 65535))
        return ModbusRequestField::FirstRegister;
    if (!within(registerCount, 1, 65535))
        return ModbusRequestField::RegisterCount;
    return ModbusRequestField::None;
}

quint8 ClampToByte(qint64 value)
{
    return static_cast<quint8>(std::clamp<qint64>(value, 0, 255));
}

quint16 ClampToWord(qint64 value)
{
    return static_cast<quint16>(std::clamp<qint64>(value, 0, 65535));
}

quint8 ModbusFunctionCode(int functionIndex)
{
    return functionIndex == 1 ? modbus::kReadInputRegisters : modbus::kReadHoldingRegisters;
}

QByteArray WordToBytesMsbFirst(quint16 n)
{
    QByteArray bytes;
    bytes.append(static_cast<char>(n / 256));
    bytes.append(static_cast<char>(n % 256));
    return bytes;
}

QByteArray ModbusRequestPdu(const ModbusRequest& request)
{
    QByteArray pdu;
    AppendRequestPdu(pdu, request);
    return pdu;
}

QByteArray ModbusRtuRequest(const ModbusRequest& request)
{
    const QByteArray pdu = ModbusRequestPdu(request);
    return pdu + CrcBytes(pdu);
}

QByteArray ModbusTcpRequest(const ModbusRequest& request, int transactionIdentifier)
{
    // one array for the whole frame: it is built for every read of a poll
    QByteArray frame;
    frame.reserve(kTcpFraming + kTcpRequestLength);
    AppendWord(frame, ClampToWord(transactionIdentifier));
    AppendWord(frame, kProtocolIdentifier);
    AppendWord(frame, kTcpRequestLength);
    AppendRequestPdu(frame, request);
    return frame;
}

int NextTransactionIdentifier(int counter)
{
    const int next = counter + 1;
    return next > modbus::kHighestTransactionIdentifier || next < 0 ? 0 : next;
}

ModbusReplyLengths ExpectedModbusReplyLengths(Framing framing, qint64 registerCount)
{
    const qint32 count = ClampToWord(registerCount);
    const qint32 pdu = 2 * count + modbus::kRtuReplyHeader;
    if (framing == Framing::Tcp)
        return {pdu + kTcpFraming, kTcpExceptionLength};
    return {pdu + kRtuFraming, kRtuExceptionLength};
}

ModbusWaitJudgement JudgeModbusReply(const QByteArray& received, Framing framing, const ModbusReplyLengths& lengths)
{
    // The function code follows the MBAP header (7 bytes) or the address.
    const qsizetype functionAt = framing == Framing::Tcp ? 7 : 1;
    if (received.size() == lengths.exception && received.size() > functionAt + 1 &&
        (At(received, functionAt) & modbus::kExceptionBit) != 0)
        return {ModbusWaitJudgement::Verdict::Exception, At(received, functionAt + 1), received.size()};
    if (received.size() < lengths.full)
        return {};
    const qsizetype frame = framing == Framing::Tcp ? ModbusTcpFrameLength(received) : 0;
    const bool cut = frame >= lengths.full && frame < received.size();
    return {ModbusWaitJudgement::Verdict::Complete, 0, cut ? frame : received.size()};
}

qsizetype ModbusTcpFrameLength(const QByteArray& received)
{
    constexpr qsizetype kLeastLength = 2; // unit identifier and function code
    if (received.size() < kTcpFraming || At(received, 2) != 0 || At(received, 3) != 0)
        return 0;
    const qsizetype length = At(received, 4) * 256 + At(received, 5);
    return length < kLeastLength ? 0 : kTcpFraming + length;
}

QString ModbusTimeoutNote(qsizetype receivedLength)
{
    return QStringLiteral("BusTimeout (Received %1 bytes)").arg(receivedLength);
}

QString ModbusExceptionText(int code)
{
    static const std::array<const char*, 11> kDescriptions = {
        " Illegal function",
        " Illegal data address",
        " Illegal data value",
        " Slave device or server failure",
        " Acknowledge",
        " Slave device or server is busy",
        " Negative acknowledge",
        " Memory parity error",
        " Not defined",
        " Gateway path unavailable",
        " Target device failed to respond",
    };
    if (code < 1 || code > static_cast<int>(kDescriptions.size()))
        return QStringLiteral("Unknown Modbuserror");
    const QString digits = QStringLiteral("%1").arg(code, 2, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("Modbuserror ") + digits + u':' + QLatin1String(kDescriptions[static_cast<size_t>(code - 1)]);
}

ModbusReplyCheck CheckModbusReply(const QByteArray& reply, Framing framing, int transactionCounter)
{
    ModbusReplyCheck check;
    if (framing == Framing::Tcp) {
        const int identifier = reply.size() >= 2 ? At(reply, 0) * 256 + At(reply, 1) : -1;
        if (identifier != transactionCounter) {
            check.result = ModbusReplyCheck::Result::WrongTransactionIdentifier;
            check.text = QStringLiteral("Wrong Transaction identifier");
            return check;
        }
        check.registerData = reply.mid(modbus::kTcpReplyHeader);
        return check;
    }
    const qsizetype body = std::max<qsizetype>(reply.size() - modbus::kCrcBytes, 0);
    if (reply.size() < modbus::kCrcBytes || reply.right(modbus::kCrcBytes) != CrcBytes(reply.left(body))) {
        check.result = ModbusReplyCheck::Result::BadCrc;
        check.text = QStringLiteral("Bad Crc");
        return check;
    }
    if (body > modbus::kRtuReplyHeader)
        check.registerData = reply.mid(modbus::kRtuReplyHeader, body - modbus::kRtuReplyHeader);
    return check;
}
