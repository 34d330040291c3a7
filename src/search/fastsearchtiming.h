#pragma once

#include <chrono>

// The bus's own timing, from which the fast search takes its waits.
// M-Bus characters are 11 bits on the line: start, 8 data, even parity, stop.
constexpr int kLineBitsPerCharacter = 11;
// Frame lengths in characters as the probes send them.
constexpr int kShortFrameLength = 5;  // SND_NKE, REQ_UD2: 10h C A CS 16h
constexpr int kSelectionLength = 17;  // SND_UD CI 52h with 8 data bytes
constexpr int kLongestFrameLength = 261; // 68h L L 68h, 255 bytes, CS 16h

// Duration of a number of bit times at the line speed, rounded up to whole microseconds.
std::chrono::microseconds BitTimes(long long bits, int baud);

// How late a slave may start its answer after the last bit of the request:
// 330 bit times + 50 ms.
std::chrono::microseconds ResponseWindow(int baud);

// From the request's first bit until the last of answerCharacters has
// arrived when the answer starts as late as the slave may: the request, the
// response window, the answer.
std::chrono::microseconds ListenTime(int requestCharacters, int answerCharacters, int baud);

// The least a probe of this length costs the bus when nobody answers: the
// request on the line and the whole response window after it.
std::chrono::microseconds ProbeLineTime(int requestCharacters, int baud);

// How long a meter usually takes to start its answer, in bit times of the
// line: the gateway's own delay is what an answer takes beyond this.
constexpr int kMeterResponseBits = 120;

// The line speed of a fast search and what the transport adds to it.
struct FastSearchLine {
    int baud = 2400;
    // Whatever the gateway and the network add before an answer reaches us:
    // the least a network gateway is allowed (the answers may teach more).
    std::chrono::milliseconds gatewayAllowance{10};
    // A serial line straight to the bus: no gateway between, only the
    // serial driver's latency is allowed.
    bool serial = false;
};

// What a serial driver adds before a byte off the line can be read: a UART
// holds it up to about a character in its receive FIFO, the scheduler a
// couple of milliseconds more.
std::chrono::microseconds SerialDriverLatency(int baud);

// Whole milliseconds, never shorter than the time given.
std::chrono::milliseconds CeilMilliseconds(std::chrono::microseconds time);
