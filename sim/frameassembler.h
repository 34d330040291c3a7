#pragma once

#include <QByteArray>
#include <QList>

// Turns a byte stream as it arrives (split anywhere, several frames in one
// piece, garbage in between) into whole frames. Pure: the caller decides
// when a partial frame has waited too long and calls Expire.
class FrameAssembler {
public:
    struct Piece {
        QByteArray bytes;
        bool frame = false; // false: bytes dropped while hunting for a frame start
    };

    // Adds the bytes and returns what is now complete, in arrival order.
    QList<Piece> Feed(const QByteArray& bytes);

    // The line went quiet: whatever waits for more bytes will never be
    // completed, so hunt through the rest for frames and drop what is left.
    QList<Piece> Expire();

    bool HasPartial() const { return !m_Buffer.isEmpty(); }

private:
    QList<Piece> Take(bool quiet);

    QByteArray m_Buffer;
};
