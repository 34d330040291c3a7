#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>

// The frames a meter hears on the bus, judged the way a meter's link layer
// does: the single character E5h, the short frame 10h C A CS 16h and the
// long frame 68h L L 68h C A CI data CS 16h.

struct FrameJudgement {
    enum class Verdict {
        Complete,   // a whole, checked frame of `length` bytes starts the buffer
        Incomplete, // a plausible start; at least `missing` more bytes are needed
        Invalid,    // the first byte starts no frame; drop it and look again
    };
    Verdict verdict = Verdict::Incomplete;
    int length = 0;
    int missing = 0;
};

// Judges the start of the buffer; bytes after the first frame are not looked at.
FrameJudgement JudgeFrame(QByteArrayView bytes);

// A checked frame taken apart. The single character has neither CI nor data
// and is marked as such.
struct LinkFrame {
    bool singleCharacter = false;
    quint8 control = 0;
    quint8 address = 0;
    std::optional<quint8> controlInformation; // long frames only
    QByteArray data;
};

// The frame when the bytes are exactly one complete frame, else nothing.
std::optional<LinkFrame> ParseFrame(QByteArrayView bytes);
