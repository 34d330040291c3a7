#include "linetiming.h"

std::chrono::milliseconds ExchangeTime(int requestBytes, int replyBytes, int baud, const LineTiming& timing)
{
    if (timing.instant || baud <= 0)
        return std::chrono::milliseconds(0);
    const long long bits =
        static_cast<long long>(requestBytes + replyBytes) * kBitsPerCharacter + timing.turnaroundBits;
    return std::chrono::milliseconds((bits * 1000 + baud - 1) / baud);
}
