#pragma once

#include <array>
#include <functional>

// The three little lights on the welcome page: after a quiet start they
// flicker in random cycles, like a gateway's traffic lights. Positions are in
// twips from the left edge of the lights' panel; a hidden light sits out of
// sight at -100.
class FlashAnimation {
public:
    static constexpr int kQuietTicks = 100;   // about 5.5 s at one tick per 55 ms
    static constexpr int kTickMs = 55;
    static constexpr int kHiddenLeft = -100;
    static constexpr int kOffPageStep = 100;

    struct Light {
        bool shown = false;
        int left = kHiddenLeft;
    };

    // random() gives a uniform number in [0, 1).
    explicit FlashAnimation(std::function<double()> random);

    void Tick(bool onWelcomePage);

    const std::array<Light, 3>& Lights() const { return m_Lights; }

private:
    void ShowStep(int step);

    std::function<double()> m_Random;
    int m_Ticks = 0;
    int m_Counter = 0;
    int m_Cycle = 0;
    std::array<Light, 3> m_Lights{};
};
