#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The gateways' configuration protocol: datagrams on UDP port 30718
// (discovery, record read and write, IP-SETUP) and the serial setup mode's
// commands and record lines. Pure: bytes and text in, bytes and text out.
namespace config {

constexpr quint16 kPort = 30718; // 77FEh

// The command byte of each datagram; record datagrams add the record number.
constexpr quint8 kDiscoveryQuery = 0xF6;
constexpr quint8 kReadQuery = 0xE0;   // + n
constexpr quint8 kReadReply = 0xD0;   // + n, followed by the record
constexpr quint8 kWriteRecord = 0xC0; // + n, followed by the record
constexpr quint8 kWriteAck = 0xB0;    // + n
constexpr quint8 kIpSetup = 0xFC;

// The record bytes a read reply carries: more than this many bytes in all.
constexpr int kReadReplyMinimum = 124;

// MAC address bytes in a discovery answer.
constexpr int kAnswerMacOffset = 24;
constexpr int kMacLength = 6;

// 00h 00h 00h command.
QByteArray Datagram(quint8 command, const QByteArray& payload = {});

QByteArray DiscoveryQuery();
QByteArray ReadQuery(int recordNumber);
QByteArray WriteDatagram(int recordNumber, const QByteArray& record);
QByteArray WriteAcknowledgement(int recordNumber);

// The record of a read reply for that record number; nothing when the reply
// is too short or answers something else.
std::optional<QByteArray> RecordFromReadReply(const QByteArray& reply, int recordNumber);

// IP-SETUP: 00 00 00 FC "IP-SETUP" 00 00, the MAC's fifth and sixth bytes,
// the four octets of the new address (0.0.0.0 asks for DHCP). Nothing when
// the MAC or the address cannot be read.
std::optional<QByteArray> IpSetupDatagram(const QString& macText, const QString& ipText);

// Serial setup mode.
inline const QByteArray kWakeUp = QByteArrayLiteral("zzz\r");
inline const QByteArray kEndOfRecord = QByteArrayLiteral(":00000001FF");
inline const QByteArray kReset = QByteArrayLiteral("RS\r");
inline const QByteArray kQuit = QByteArrayLiteral("QU\r");
inline const QByteArray kAcceptedPrompt = QByteArrayLiteral("0>");
QByteArray GetRecordCommand(int recordNumber); // "G" n CR
QByteArray SetRecordCommand(int recordNumber); // "S" n CR
// The prompt the gateway shows in setup mode ("0>" or "9>"), in any case.
bool ContainsSetupPrompt(const QByteArray& received);

// The record as ':' lines of at most 32 bytes, each: count, offset, type
// "10", data, and the two's complement of the sum of the character codes
// after the colon; upper-case hex, no line end.
QStringList RecordLines(const QByteArray& record);

// The record lines a gateway sends for "G n": type "00" lines whose
// checksum makes the sum of the byte values 0 (as the client's line parser
// checks them).
QStringList ReadReplyLines(const QByteArray& record);

} // namespace config
