#pragma once

#include "linkframe.h"

#include <QByteArray>
#include <QList>

// Judges the start of a buffer as a frame of the protocol the port speaks.
using FrameJudge = FrameJudgement (*)(QByteArrayView bytes);

// Turns a byte stream as it arrives (split anywhere, several frames in one
// piece, garbage in between) into whole frames. Pure: the caller decides
// when a partial frame has waited too long and calls Expire.
class FrameAssembler {
public:
    // M-Bus link-layer frames unless another judge is given.
    explicit FrameAssembler(FrameJudge judge = JudgeFrame) : m_Judge(judge) {}

    struct Piece {
        QByteArray bytes;
        bool frame = false; // false: bytes dropped while hunting for a frame start
    };

    // Adds the bytes and returns what is now complete, in arrival order.
    QList<Piece> Feed(QByteArrayView bytes);

    // The line went quiet: whatever waits for more bytes will never be
    // completed, so hunt through the rest for frames and drop what is left.
    QList<Piece> Expire();

    bool HasPartial() const { return !m_Buffer.isEmpty(); }

private:
    QList<Piece> Take(bool quiet);

    FrameJudge m_Judge;
    QByteArray m_Buffer;
};
