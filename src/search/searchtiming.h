#pragma once

#include <chrono>

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

    // How long to listen after the probe. An acknowledgement never ends the
    // wait early: a second meter may still be answering.
    std::chrono::milliseconds ReplyWait(SearchProbe probe) const
    {
        return probe == SearchProbe::ReqUd2 ? rspUd2Timeout : sndNkeTimeout;
    }

    // Quiet time before the next frame: the collision delay right after a
    // collision of that scan, the bus delay otherwise.
    std::chrono::milliseconds QuietTime(SearchProbe collidedProbe, bool afterCollision) const
    {
        if (!afterCollision)
            return busDelay;
        return collidedProbe == SearchProbe::Selection ? collisionSecDelay : collisionPrimDelay;
    }
};
