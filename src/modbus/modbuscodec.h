#pragma once

#include <QByteArray>
#include <QString>

// Modbus read requests (function 3 or 4) in RTU and TCP framing, and the
// judging of their replies. Pure: bytes in, values out.
namespace modbus {

// The framings, numbered as the page's option elements.
enum class Framing { Rtu = 0, Tcp = 1 };

constexpr quint8 kReadHoldingRegisters = 3;
constexpr quint8 kReadInputRegisters = 4;
constexpr quint8 kExceptionBit = 0x80;

// TCP transaction identifiers run 1 ... 100, then 0, 1, ...
constexpr int kHighestTransactionIdentifier = 100;

// MBAP header (transaction, protocol, length, unit) plus function code and
// byte count: the bytes before the register data of a TCP reply.
constexpr int kTcpReplyHeader = 9;
// Address, function code and byte count before the data of an RTU reply.
constexpr int kRtuReplyHeader = 3;
constexpr int kCrcBytes = 2;

} // namespace modbus

// The request fields as the page gives them; each is clamped to its range
// when the request is encoded (negative numbers become 0).
struct ModbusRequest {
    qint64 slaveAddress = 1;   // 0..255
    int functionIndex = 0;     // 0: function 3 (holding registers), 1: function 4 (input registers)
    qint64 firstRegister = 0;  // 0..65535
    qint64 registerCount = 1;  // 0..65535
};

// The request field that keeps a read from being sent: empty, no number or
// outside its range. Slave 1..255 (0 is the broadcast, which no slave
// answers), first register 0..65535, count 1..65535.
enum class ModbusRequestField { None, SlaveAddress, FirstRegister, RegisterCount };
ModbusRequestField RefusedModbusField(const QString& slaveAddress, const QString& firstRegister,
                                      const QString& registerCount);

quint8 ClampToByte(qint64 value);
quint16 ClampToWord(qint64 value);

// The function code of a list index: 0 -> 3, 1 -> 4 (anything else reads holding registers).
quint8 ModbusFunctionCode(int functionIndex);

// The byte n / 256 followed by the byte n mod 256.
QByteArray WordToBytesMsbFirst(quint16 n);

// Slave address, function code, first register, number of registers: 6 bytes.
QByteArray ModbusRequestPdu(const ModbusRequest& request);
// The 6 bytes followed by their CRC, low byte first.
QByteArray ModbusRtuRequest(const ModbusRequest& request);
// The MBAP header (transaction identifier, protocol 0, length 6) and the 6 bytes.
QByteArray ModbusTcpRequest(const ModbusRequest& request, int transactionIdentifier);

// The identifier that follows the counter: one more, and 0 after 100.
int NextTransactionIdentifier(int counter);

// The reply lengths a request waits for, in 32-bit arithmetic so that every
// count up to 65535 is handled.
struct ModbusReplyLengths {
    qint32 full = 0;      // 2n + 3, plus 6 (TCP) or 2 (RTU)
    qint32 exception = 0; // 9 (TCP) or 5 (RTU)
};
ModbusReplyLengths ExpectedModbusReplyLengths(modbus::Framing framing, qint64 registerCount);

// What the bytes received so far amount to. Asked after each arrival: an
// exception reply is taken when the buffer holds exactly its length with
// the exception bit set; any other reply once the buffer holds at least the
// full length, and then all the bytes held are the reply.
// With TCP framing the reply ends where its MBAP length says, once that
// many bytes are held and they are at least the full length: bytes behind
// it (a doubled segment) are no part of it.
struct ModbusWaitJudgement {
    enum class Verdict { Incomplete, Exception, Complete };
    Verdict verdict = Verdict::Incomplete;
    int exceptionCode = 0; // with Exception
    qsizetype replyLength = 0; // with Exception or Complete: the bytes that are the reply
};
ModbusWaitJudgement JudgeModbusReply(const QByteArray& received, modbus::Framing framing,
                                     const ModbusReplyLengths& lengths);

// The length of the TCP frame at the start of the bytes as its MBAP header
// gives it (6 header bytes and the length that follows, at least unit and
// function code), with protocol identifier 0; 0 when no such header is held.
qsizetype ModbusTcpFrameLength(const QByteArray& received);

// "BusTimeout (Received N bytes)": the log note and the result text of a
// read that ended without a reply.
QString ModbusTimeoutNote(qsizetype receivedLength);

// The prefix of the code and its description; "Unknown Modbuserror" for a
// code outside 1..11.
QString ModbusExceptionText(int code);

// A whole reply, judged: its register data, or why it is refused. The slave
// address, function code, byte count and protocol identifier are not
// compared with the request.
struct ModbusReplyCheck {
    enum class Result { Good, WrongTransactionIdentifier, BadCrc };
    Result result = Result::Good;
    QByteArray registerData; // with Good: two bytes per register, as received
    QString text;            // the refusal as the result label shows it; empty when good
};
ModbusReplyCheck CheckModbusReply(const QByteArray& reply, modbus::Framing framing, int transactionCounter);
