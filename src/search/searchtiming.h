#pragma once

#include "fastsearchtiming.h"

#include <chrono>
#include <optional>

// Every wait of a search is decided here: how long it listens after each
// kind of frame and how long the line stays quiet before the next one. The
// scans ask, they never compute a time themselves.

enum class SearchProbe {
    SndNke,    // primary scan: link reset
    Selection, // secondary scan: selection by a mask
    ReqUd2,    // read the meter's data
};

struct SearchTiming {
    std::chrono::milliseconds sndNkeTimeout{1000};  // after SND_NKE and after a selection
    std::chrono::milliseconds rspUd2Timeout{10000}; // after REQ_UD2
    std::chrono::milliseconds busDelay{50};         // quiet time before a frame
    std::chrono::milliseconds collisionPrimDelay{3000}; // before the frame after a primary collision
    std::chrono::milliseconds collisionSecDelay{3000};  // before the frame after a secondary collision
    // Set: the fast search, whose waits follow the bus's own timing at this
    // speed instead of the timeouts and delays above.
    std::optional<FastSearchLine> fast;

    // How long to listen after the probe. An acknowledgement never ends the
    // wait early: a second meter may still be answering.
    std::chrono::milliseconds ReplyWait(SearchProbe probe) const;

    // On a serial line the bytes come as they are on the bus: when the first
    // has not come by the end of the window, nothing will. Zero: the whole
    // ReplyWait is listened to (a network gateway may hold a frame back until
    // it is whole).
    std::chrono::milliseconds FirstByteWait(SearchProbe probe) const;

    // What the fast search allows on top of the bus's timing: the serial
    // driver's latency on a serial line, the gateway allowance otherwise.
    std::chrono::microseconds Allowance() const;

    // How long the line must stay silent after the last byte of an answer
    // before it is judged: a second meter's answer or a collision's garbage
    // still on its way is heard. None in the documented search.
    std::chrono::milliseconds GuardTime() const;

    // Quiet time before the next frame: the collision delay right after a
    // collision of that scan, the bus delay otherwise; none in the fast
    // search, whose waits have left the line idle already.
    std::chrono::milliseconds QuietTime(SearchProbe collidedProbe, bool afterCollision) const;
};
