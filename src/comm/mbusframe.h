#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// M-Bus link-layer frames (EN 13757-2) as this program builds and accepts
// them: the single character E5h, the short frame 10h C A CS 16h and the long
// frame 68h L L 68h C A CI data CS 16h.
namespace mbus {

constexpr quint8 kAck = 0xE5;
constexpr quint8 kShortStart = 0x10;
constexpr quint8 kLongStart = 0x68;
constexpr quint8 kStop = 0x16;

// Control field values.
constexpr quint8 kSndNke = 0x40;    // link reset, initialise a slave
constexpr quint8 kReqUd2 = 0x5B;    // request class 2 data, frame count bit clear
constexpr quint8 kReqUd2Fcb = 0x7B; // the same with the frame count bit set
constexpr quint8 kSndUd = 0x53;     // send user data, frame count bit clear
constexpr quint8 kSndUdFcb = 0x73;

// Addresses beyond the primary range.
constexpr quint8 kSelectedSlave = 0xFD; // the slave selected by secondary address
constexpr quint8 kBroadcastAnswered = 0xFE;
constexpr quint8 kBroadcastQuiet = 0xFF; // every slave takes it, none answers

// Whether a frame to the address reaches every slave on the bus.
constexpr bool IsBroadcast(quint8 address)
{
    return address == kBroadcastAnswered || address == kBroadcastQuiet;
}

// Longest user data of a long frame: L counts C, A, CI and the data and is one byte.
constexpr int kMaxLongFrameData = 255 - 3;

// Positions in a long frame, counted from 0 at the first 68h.
constexpr int kLongLengthAt = 1;
constexpr int kLongControlAt = 4;
constexpr int kLongAddressAt = 5;
constexpr int kLongCiAt = 6;
constexpr int kLongUserDataAt = 7;
// The bytes around C, A, CI and the data: 68h L L 68h before them, CS 16h after.
constexpr int kLongFrameOverhead = 6;

} // namespace mbus

// The arithmetic sum of the bytes modulo 256 (00h for no bytes).
quint8 MBusChecksum(const QByteArray& bytes);

// The single character E5h and nothing else: a slave's acknowledgement.
bool IsLoneAcknowledgement(const QByteArray& bytes);

// The user data of a long frame: the bytes after CI up to the checksum;
// empty when there are none. Cut by the bytes at hand, not by the L field.
QByteArray LongFrameUserData(const QByteArray& frame);

// 10h C A CS 16h.
QByteArray ShortFrame(quint8 control, quint8 address);

// 68h L L 68h C A CI data CS 16h; nothing when the data does not fit.
std::optional<QByteArray> LongFrame(quint8 control, quint8 address, quint8 controlInformation,
                                    const QByteArray& data = {});

// What the bytes received so far amount to as an M-Bus reply.
struct MBusReplyCheck {
    bool complete = false;               // a single E5h, or a whole long frame with a good checksum
    std::optional<int> lengthField;      // L of a 68h L L 68h header, when one was seen
    // As many bytes as a whole frame has, but not a good reply: a long frame
    // with a wrong checksum, stop byte or length field, or a short frame.
    bool wrongFrame = false;
};

// Judges the receive buffer after each arrival. A long frame is complete
// only with both length bytes equal, L at least 3 (C, A and CI), its L + 6
// bytes, a good checksum and the stop byte 16h.
MBusReplyCheck CheckMBusReply(const QByteArray& received);

// What a wait that ended without a good reply heard, so that a page tells
// silence, a cut-off frame and a collision apart.
struct MissingReply {
    enum class Kind {
        Silence,    // nothing arrived
        Incomplete, // the start of a long frame, cut off: received of expected bytes
        Garbled,    // bytes that make no frame: several meters at once, or line noise
    };
    Kind kind = Kind::Silence;
    int received = 0;
    int expected = 0; // with Incomplete: the length its L field gives
};
MissingReply JudgeMissingReply(const QByteArray& received);

// A whole long frame with a good checksum at the start of the bytes that
// cannot answer the request: a meter puts its own primary address in its
// frames, so a frame from another address is a late answer to an earlier
// request. A request for data through the selected slave (253) or to all
// (254) is answered with the meter's own address, which then proves
// nothing. Its length, or 0 (also when the request is no M-Bus frame).
qsizetype LeadingLateMBusFrameLength(const QByteArray& received, const QByteArray& request);

// The request asks for data through 253 or 254, so the address of its
// answer tells nothing about the request it answers.
bool AnswerAddressProvesNothing(const QByteArray& request);

// The log note for a reply that did not complete in time; received is what
// arrived, lengthField the last L seen (0 when no header was seen),
// wrongFrame what the judge said of the bytes.
QString MBusTimeoutNote(int receivedLength, int lengthField, bool wrongFrame = false);
