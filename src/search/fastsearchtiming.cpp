#include "fastsearchtiming.h"

using namespace std::chrono_literals;

namespace {
constexpr long long kWindowBits = 330;
constexpr auto kWindowExtra = 50ms;
constexpr auto kSchedulerLatency = 2ms;
} // namespace

std::chrono::microseconds BitTimes(long long bits, int baud)
{
    if (baud <= 0)
        return 0us;
    return std::chrono::microseconds((bits * 1000000 + baud - 1) / baud);
}

std::chrono::microseconds ResponseWindow(int baud)
{
    return BitTimes(kWindowBits, baud) + kWindowExtra;
}

std::chrono::microseconds ListenTime(int requestCharacters, int answerCharacters, int baud)
{
    const long long characters = static_cast<long long>(requestCharacters) + answerCharacters;
    return BitTimes(characters * kLineBitsPerCharacter + kWindowBits, baud) + kWindowExtra;
}

std::chrono::microseconds ProbeLineTime(int requestCharacters, int baud)
{
    return ListenTime(requestCharacters, 0, baud);
}

std::chrono::milliseconds CeilMilliseconds(std::chrono::microseconds time)
{
    return std::chrono::ceil<std::chrono::milliseconds>(time);
}

std::chrono::microseconds SerialDriverLatency(int baud)
{
    return BitTimes(kLineBitsPerCharacter, baud) + kSchedulerLatency;
}
