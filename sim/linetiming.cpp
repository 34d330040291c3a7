#include "linetiming.h"

std::chrono::milliseconds ExchangeTime(int requestBytes, int replyBytes, int baud, const LineTiming& timing)
{
    if (timing.instant || baud <= 0)
        return std::chrono::milliseconds(0);
    const long long bits =
        static_cast<long long>(requestBytes + replyBytes) * kBitsPerCharacter + timing.turnaroundBits;
    return std::chrono::milliseconds((bits * 1000 + baud - 1) / baud);
}

std::chrono::microseconds CharacterTime(int baud, const LineTiming& timing)
{
    if (timing.instant || baud <= 0)
        return std::chrono::microseconds(0);
    return std::chrono::microseconds((kBitsPerCharacter * 1000000LL + baud - 1) / baud);
}

std::chrono::microseconds FirstByteTime(int requestBytes, int baud, const LineTiming& timing)
{
    if (timing.instant || baud <= 0)
        return std::chrono::microseconds(0);
    const long long bits = static_cast<long long>(requestBytes + 1) * kBitsPerCharacter + timing.turnaroundBits;
    return std::chrono::microseconds((bits * 1000000 + baud - 1) / baud);
}
