#pragma once

#include <chrono>

// How long an exchange keeps the bus busy.
struct LineTiming {
    bool instant = true;
    // Quiet time between the end of a request and the start of the answer,
    // in bit times of the bus speed (120 bits: 50 ms at 2400 baud).
    int turnaroundBits = 120;
};

// M-Bus characters are 11 bits: start, 8 data, even parity, stop.
constexpr int kBitsPerCharacter = 11;

// Time from the first byte of the request until the last byte of the reply
// has arrived (or, with no reply, until the turnaround has passed).
std::chrono::milliseconds ExchangeTime(int requestBytes, int replyBytes, int baud, const LineTiming& timing);

// One character on the line (zero when timing is instant).
std::chrono::microseconds CharacterTime(int baud, const LineTiming& timing);

// Time from the first byte of the request until the first byte of the
// reply has arrived whole: the request, the turnaround and one character.
std::chrono::microseconds FirstByteTime(int requestBytes, int baud, const LineTiming& timing);
