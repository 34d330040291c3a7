#include "searchtiming.h"

namespace {

int RequestCharacters(SearchProbe probe)
{
    return probe == SearchProbe::Selection ? kSelectionLength : kShortFrameLength;
}

// Characters of the answer that must have arrived before the wait may end:
// an acknowledgement is one; a gateway may hold a data reply back until it
// is whole, so the longest frame there is.
int AnswerCharacters(SearchProbe probe)
{
    return probe == SearchProbe::ReqUd2 ? kLongestFrameLength : 1;
}

} // namespace

std::chrono::milliseconds SearchTiming::ReplyWait(SearchProbe probe) const
{
    if (!fast)
        return probe == SearchProbe::ReqUd2 ? rspUd2Timeout : sndNkeTimeout;
    return CeilMilliseconds(ListenTime(RequestCharacters(probe), AnswerCharacters(probe), fast->baud) + Allowance());
}

std::chrono::milliseconds SearchTiming::FirstByteWait(SearchProbe probe) const
{
    if (!fast || !fast->serial || AnswerCharacters(probe) == 1)
        return std::chrono::milliseconds(0);
    return CeilMilliseconds(ListenTime(RequestCharacters(probe), 1, fast->baud) + Allowance());
}

std::chrono::microseconds SearchTiming::Allowance() const
{
    if (!fast)
        return std::chrono::microseconds(0);
    return fast->serial ? SerialDriverLatency(fast->baud) : std::chrono::microseconds(fast->gatewayAllowance);
}

std::chrono::milliseconds SearchTiming::GuardTime() const
{
    if (!fast)
        return std::chrono::milliseconds(0);
    // three characters of silence end a frame on the line
    return CeilMilliseconds(BitTimes(3 * kLineBitsPerCharacter, fast->baud) + Allowance());
}

std::chrono::milliseconds SearchTiming::QuietTime(SearchProbe collidedProbe, bool afterCollision) const
{
    // The bus asks one character of idle line before the next request: the
    // guard's three silent characters after an answer, or the window that
    // passed in silence, have given it already.
    if (fast)
        return std::chrono::milliseconds(0);
    if (!afterCollision)
        return busDelay;
    return collidedProbe == SearchProbe::Selection ? collisionSecDelay : collisionPrimDelay;
}
