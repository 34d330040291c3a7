#pragma once

#include <QByteArray>
#include <QList>
#include <chrono>

// Ways to make replies go wrong, for tests of the client side. They can be
// set for the whole gateway and for single meters.
struct Faults {
    std::chrono::milliseconds delay{0}; // extra wait before the reply goes out
    bool silent = false;                // the reply is never sent
    bool wrongChecksum = false;         // a long frame's checksum is off by one
    bool wrongAck = false;              // E5h goes out as another single byte
    bool garbage = false;               // the reply becomes bytes that form no frame
    bool byteByByte = false;            // one byte per datagram or chunk
    int split = 1;                      // the reply goes out in this many pieces
    std::chrono::milliseconds pieceGap{5}; // between the pieces of a divided reply

    bool operator==(const Faults&) const = default;
};

// The byte that replaces E5h under wrongAck.
constexpr quint8 kWrongAck = 0xA2;

// Each fault that either side asks for; the longer delay and gap, the more pieces.
Faults CombineFaults(const Faults& a, const Faults& b);

// The reply as it goes onto the line under the faults that change its bytes;
// empty when silent.
QByteArray ApplyReplyFaults(const QByteArray& reply, const Faults& faults);

// Bytes of the given count (at least four) that no judge takes for a frame.
QByteArray GarbageBytes(int count);

// The pieces the reply is sent in.
QList<QByteArray> DivideReply(const QByteArray& reply, const Faults& faults);
