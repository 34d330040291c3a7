#include "flashanimation.h"

#include <cmath>

namespace {
constexpr int kLeftFirst = 64;
constexpr int kLeftSecond = 146;
}

FlashAnimation::FlashAnimation(std::function<double()> random)
    : m_Random(std::move(random))
{
}

void FlashAnimation::Tick(bool onWelcomePage)
{
    if (m_Ticks < kQuietTicks) {
        ++m_Ticks;
        return;
    }
    if (m_Cycle == 0)
        m_Cycle = static_cast<int>(std::lround(m_Random() * 50 + 20));
    ShowStep(onWelcomePage ? m_Counter : kOffPageStep);
    ++m_Counter;
    if (m_Random() * 20 < 1)
        m_Lights[0] = {};
    if (m_Counter > m_Cycle) {
        m_Counter = 0;
        m_Cycle = 0;
    }
}

void FlashAnimation::ShowStep(int step)
{
    const Light hidden{};
    const Light first{true, kLeftFirst};
    const Light second{true, kLeftSecond};
    if (step == 0)
        m_Lights = {hidden, second, hidden};
    else if (step <= 2)
        m_Lights = {first, second, hidden};
    else if (step <= 7)
        m_Lights = {first, hidden, second};
    else if (step == 8)
        m_Lights = {hidden, hidden, hidden};
    else
        m_Lights = {first, hidden, hidden};
}
