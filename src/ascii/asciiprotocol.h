#pragma once

#include <QByteArray>
#include <QString>

class UnansweredRequests;

// The gateway's ASCII protocol as this program speaks it. A request is
// STX, sequence, protocol and station as two decimal digits each, the item
// name, with protocol 1 a two-digit hex checksum, and ETX. A reply starts
// with ACK (a value) or NAK (an error letter) and ends with ETX.
namespace ascii {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr char kAck = 0x06;
constexpr char kNak = 0x15;

constexpr int kHighestSequence = 99;
constexpr int kHighestStation = 99;

// The protocol numbers, as the list on the page numbers them.
constexpr int kStandard = 0;
constexpr int kStandardWithChecksum = 1;

// A value starts after ACK and the six characters that echo the request.
constexpr int kValueOffset = 7;
constexpr int kChecksumLength = 2;

} // namespace ascii

// The counter after one more request: 1 to 99, then 0, 1, ...
int NextAsciiSequence(int counter);

// The station as the request carries it: the text's leading number, below
// 0 becomes 0 and above 99 becomes 99 ("abc" is 0).
int AsciiStationFromText(const QString& text);

// Whether a request may carry the item name: not empty or blank, and
// without STX or ETX, which would end the frame inside the name.
bool IsAsciiItemName(const QByteArray& tag);

// The sum of the character codes modulo 256 as two upper-case hex digits.
QByteArray AsciiChecksum(const QByteArray& characters);

struct AsciiRequest {
    int sequence = 0; // 0-99
    int protocol = ascii::kStandard;
    int station = 0; // 0-99
    QByteArray tag;  // the item name, sent unchanged
};

// The whole request frame; numbers beyond two digits are clamped to 0-99.
QByteArray AsciiRequestFrame(const AsciiRequest& request);

// What the bytes received so far amount to as a reply.
enum class AsciiReplyKind {
    Incomplete, // no ACK or NAK first, or no ETX last (yet)
    Value,      // ACK ... ETX
    Error,      // NAK ... ETX
};

// Judges the receive buffer after each arrival.
AsciiReplyKind JudgeAsciiReply(const QByteArray& received);

// A whole reply at the start of the bytes whose echoed sequence number is
// that of a request that timed out and has had no reply since: its length,
// the number then counting as answered. 0 for any other reply (also when
// the echo is not two digits): that one is judged as the current answer.
qsizetype LeadingLateAsciiReplyLength(const QByteArray& received, UnansweredRequests& unanswered);

// How much of the bytes is the reply: up to the first ETX when what follows
// is itself a whole reply (a doubled datagram), else all of them, so that
// junk behind an ETX keeps the reply from being taken.
qsizetype AsciiReplyLength(const QByteArray& received);

// The letter of an error reply: the byte before ETX.
char AsciiErrorLetter(const QByteArray& reply);

// "Error C: Crc fault" and the like; "Unknown AsciiError" for any other letter.
QString AsciiErrorText(char letterCode);

// The value part of a reply: from byte 8 up to ETX, or with protocol 1 up
// to the checksum before ETX (a reply of exactly 9 bytes shows byte 8
// alone); empty when the reply is too short for that.
QByteArray AsciiReplyValue(const QByteArray& reply, int protocol);

// The log note of a read that timed out, with the number of bytes held.
QString AsciiTimeoutNote(qsizetype receivedLength);
