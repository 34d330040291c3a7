#pragma once

#include "fastsearchtiming.h"

#include <chrono>
#include <optional>

// The gateway's own delay on one answer: its first characters were in
// `arrived` after the request was sent, of which the bus took the request,
// the meter's usual response time and those characters themselves (a
// gateway that passes on whole frames sends them all at once).
std::chrono::microseconds GatewayDelay(std::chrono::microseconds arrived, int requestCharacters, int characters,
                                       int baud);

// What the fast search allows a network gateway, learnt from the answers it
// passes on: the setting until an answer shows the gateway needs more, then
// the longest delay seen plus a margin. It never drops below the setting,
// so a meter answering late in the window is still heard.
class GatewayAllowance {
public:
    void Note(std::chrono::microseconds delay);
    std::chrono::milliseconds Applied(std::chrono::milliseconds setting) const;
    std::optional<std::chrono::microseconds> LongestSeen() const { return m_Longest; }

private:
    std::optional<std::chrono::microseconds> m_Longest;
};
