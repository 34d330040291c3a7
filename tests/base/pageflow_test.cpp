#include "app/flashanimation.h"
#include "base/pageflow.h"

#include <gtest/gtest.h>

namespace {
FlowChoices Task(int task, bool ipByNetwork = true, bool reachBySerial = false)
{
    return {task, ipByNetwork, reachBySerial};
}
} // namespace

TEST(PageFlow, EveryTaskForwardAndBack)
{
    struct Case {
        FlowChoices choices;
        std::vector<int> pages; // from page 1 on
    };
    const Case cases[] = {
        {Task(0), {1, 10, 1}},
        {Task(1, true), {1, 20, 21, 22, 1}},
        {Task(1, false), {1, 20, 21, 23, 1}},
        {Task(2), {1, 30, 1}},
        {Task(3, true, false), {1, 40, 50, 55, 1}},
        {Task(3, true, true), {1, 40, 23, 50, 55, 1}},
        {Task(4), {1, 40, 60, 60}},
        {Task(5), {1, 40, 70, 70}},
        {Task(6), {1, 40, 80, 80}},
    };
    for (const Case& c : cases) {
        for (size_t i = 0; i + 1 < c.pages.size(); ++i) {
            EXPECT_EQ(SuccessorPage(c.pages[i], c.choices), c.pages[i + 1])
                << "task " << c.choices.whatToDo << " from " << c.pages[i];
        }
        // Back retraces the forward path (the final step back to page 1 aside).
        for (size_t i = c.pages.size() - 2; i >= 1; --i) {
            if (c.pages[i] != c.pages[i - 1]) {
                EXPECT_EQ(PredecessorPage(c.pages[i], c.choices), c.pages[i - 1])
                    << "task " << c.choices.whatToDo << " back from " << c.pages[i];
            }
        }
    }
    EXPECT_EQ(SuccessorPage(0, Task(0)), 1);
    EXPECT_EQ(PredecessorPage(1, Task(0)), 0);
}

TEST(PageFlow, WithoutAnAdapterTheLanPagesAreRefused)
{
    bool refused = false;
    EXPECT_EQ(PageWithoutAdapter(10, Task(0), refused), 1);
    EXPECT_TRUE(refused);
    EXPECT_EQ(PageWithoutAdapter(21, Task(1, true), refused), 20);
    EXPECT_TRUE(refused);
    EXPECT_EQ(PageWithoutAdapter(21, Task(1, false), refused), 21);
    EXPECT_FALSE(refused);
    EXPECT_EQ(PageWithoutAdapter(50, Task(3, true, false), refused), 40);
    EXPECT_TRUE(refused);
    EXPECT_EQ(PageWithoutAdapter(50, Task(3, true, true), refused), 50);
    EXPECT_FALSE(refused);
    EXPECT_EQ(PageWithoutAdapter(40, Task(4), refused), 40);
    EXPECT_TRUE(refused);
    EXPECT_EQ(PageWithoutAdapter(30, Task(2), refused), 30);
    EXPECT_FALSE(refused);
}

TEST(FlashAnimation, QuietStartThenCyclesThroughTheSteps)
{
    double next = 0.5; // cycle length round(0.5 * 50 + 20) = 45; never the 1-in-20 blink
    FlashAnimation flash([&] { return next; });
    for (int i = 0; i < FlashAnimation::kQuietTicks; ++i) {
        flash.Tick(true);
        for (const auto& light : flash.Lights())
            ASSERT_FALSE(light.shown);
    }
    const auto shown = [&](int i) { return flash.Lights()[static_cast<size_t>(i)].shown; };
    flash.Tick(true); // step 0
    EXPECT_TRUE(!shown(0) && shown(1) && !shown(2));
    EXPECT_EQ(flash.Lights()[1].left, 146);
    flash.Tick(true); // step 1
    EXPECT_TRUE(shown(0) && shown(1) && !shown(2));
    EXPECT_EQ(flash.Lights()[0].left, 64);
    flash.Tick(true); // 2
    flash.Tick(true); // 3
    EXPECT_TRUE(shown(0) && !shown(1) && shown(2));
    for (int step = 4; step <= 8; ++step)
        flash.Tick(true);
    EXPECT_TRUE(!shown(0) && !shown(1) && !shown(2)); // step 8
    flash.Tick(true);
    EXPECT_TRUE(shown(0) && !shown(1) && !shown(2)); // beyond 8
    // after the cycle length the counter starts over at step 0
    for (int step = 10; step <= 46; ++step)
        flash.Tick(true);
    EXPECT_TRUE(!shown(0) && shown(1)); // step 0 again
    // off the welcome page only the first light shows
    flash.Tick(false);
    EXPECT_TRUE(shown(0) && !shown(1) && !shown(2));
    // the rare blink hides the first light for one tick
    next = 0.01;
    flash.Tick(false);
    EXPECT_FALSE(shown(0));
}
