// The progress of a scan, which only moves forward while the tree scan's
// expectation grows, and the time it has left at its own pace.
#include "search/scanprogress.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

TEST(ScanProgress, NeverGoesBackAndIsFullOnlyAtTheEnd)
{
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> reports; // (done, expected) as the scan sends them, after Start(first)
    };
    const Case cases[] = {
        {"primary 0-4", {{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}},
        // FFFFFFFF, meters 11111111 and 12222222: 1FFFFFFF opens a level, 11... and 12... open one each down to the meters
        {"tree: two meters", {{1, 10}, {2, 20}, {3, 20}, {4, 30}, {5, 40}, {6, 40}, {10, 40}, {14, 40}, {15, 40},
                              {20, 40}, {30, 40}, {40, 40}}},
        {"tree: the last probe of a level opens the next", {{9, 10}, {10, 20}, {19, 20}, {20, 30}, {30, 30}}},
        {"tree: many branches late", {{8, 10}, {9, 20}, {10, 30}, {11, 40}, {12, 50}, {50, 50}}},
        {"a complete mask: one probe", {{1, 1}}},
    };
    for (const Case& c : cases) {
        ScanProgress progress;
        progress.Start(c.reports.front().second);
        int shown = progress.Shown();
        EXPECT_EQ(shown, 0) << c.what;
        for (const auto& [done, expected] : c.reports) {
            progress.Update(done, expected);
            EXPECT_GE(progress.Shown(), shown) << c.what << " at " << done << " of " << expected;
            EXPECT_EQ(progress.Shown() == ScanProgress::kFull, done == expected) << c.what << " at " << done;
            shown = progress.Shown();
        }
        EXPECT_EQ(progress.Percent(), 100) << c.what;
    }
}

TEST(ScanProgress, TimeLeftFollowsThePaceOfTheProbesDone)
{
    ScanProgress progress;
    progress.Start(10);
    EXPECT_EQ(progress.TimeLeft(3s), std::nullopt); // no pace before the first probe
    progress.Update(2, 10);
    EXPECT_EQ(progress.TimeLeft(3s), 12s); // 1.5 s a probe, 8 to go
    progress.Update(4, 20); // a branch opened
    EXPECT_EQ(progress.TimeLeft(6s), 24s);
    progress.Update(3, 5); // neither done nor expected go back
    EXPECT_EQ(progress.Done(), 4);
    EXPECT_EQ(progress.Estimate(), 20);
}

} // namespace
