#include "gatewayallowance.h"

#include <algorithm>

using namespace std::chrono_literals;

namespace {
// Room for the jitter of the network and of the gateway's own scheduling.
constexpr auto kMargin = 5ms;
} // namespace

std::chrono::microseconds GatewayDelay(std::chrono::microseconds arrived, int requestCharacters, int characters,
                                       int baud)
{
    const long long lineBits =
        static_cast<long long>(requestCharacters + characters) * kLineBitsPerCharacter + kMeterResponseBits;
    return arrived - BitTimes(lineBits, baud);
}

void GatewayAllowance::Note(std::chrono::microseconds delay)
{
    m_Longest = std::max(m_Longest.value_or(delay), delay);
}

std::chrono::milliseconds GatewayAllowance::Applied(std::chrono::milliseconds setting) const
{
    if (!m_Longest)
        return setting;
    return std::max(setting, CeilMilliseconds(*m_Longest + kMargin));
}
