#include "search/fastsearchtiming.h"
#include "search/searchtiming.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace std::chrono_literals;

namespace {

double Microseconds(std::chrono::microseconds time)
{
    return static_cast<double>(time.count());
}

} // namespace

// EN 13757-2: a slave starts its answer 11 to 330 bit times + 50 ms after
// the request; a SND_NKE or REQ_UD2 is 5 characters of 11 bits, a
// selection (SND_UD CI 52h, 8 data bytes) 17.
TEST(FastSearchTiming, ResponseWindowAndProbeTimeAtEverySpeed)
{
    const struct {
        int baud;
        double window;    // 330 bits / baud + 50 ms, in microseconds
        double shortProbe; // (55 + 330) bits / baud + 50 ms
        double selection;  // (187 + 330) bits / baud + 50 ms
        double emptyScan;  // 251 short probes, seconds
    } rows[] = {
        {300, 1150000.0, 1333333.3, 1773333.3, 334.67},
        {600, 600000.0, 691666.7, 911666.7, 173.61},
        {1200, 325000.0, 370833.3, 480833.3, 93.08},
        {2400, 187500.0, 210416.7, 265416.7, 52.81},
        {4800, 118750.0, 130208.3, 157708.3, 32.68},
        {9600, 84375.0, 90104.2, 103854.2, 22.62},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.baud);
        EXPECT_NEAR(Microseconds(ResponseWindow(row.baud)), row.window, 1.0);
        EXPECT_NEAR(Microseconds(ProbeLineTime(kShortFrameLength, row.baud)), row.shortProbe, 1.0);
        EXPECT_NEAR(Microseconds(ProbeLineTime(kSelectionLength, row.baud)), row.selection, 1.0);
        EXPECT_NEAR(251 * Microseconds(ProbeLineTime(kShortFrameLength, row.baud)) / 1e6, row.emptyScan, 0.01);
    }
}

// The fast search listens for the window, the answer's characters and the
// gateway allowance; the documented search keeps its timeouts and delays.
TEST(FastSearchTiming, SearchWaitsOfBothModes)
{
    SearchTiming documented;
    documented.sndNkeTimeout = 1500ms;
    documented.rspUd2Timeout = 3000ms;
    documented.busDelay = 50ms;
    documented.collisionPrimDelay = 3000ms;
    documented.collisionSecDelay = 2000ms;
    EXPECT_EQ(documented.ReplyWait(SearchProbe::SndNke), 1500ms);
    EXPECT_EQ(documented.ReplyWait(SearchProbe::Selection), 1500ms);
    EXPECT_EQ(documented.ReplyWait(SearchProbe::ReqUd2), 3000ms);
    EXPECT_EQ(documented.GuardTime(), 0ms);
    EXPECT_EQ(documented.QuietTime(SearchProbe::SndNke, false), 50ms);
    EXPECT_EQ(documented.QuietTime(SearchProbe::SndNke, true), 3000ms);
    EXPECT_EQ(documented.QuietTime(SearchProbe::Selection, true), 2000ms);

    SearchTiming fast = documented;
    fast.fast = FastSearchLine{2400, 20ms};
    // 2400 baud: SND_NKE + E5h: (55 + 11 + 330) bits = 165 ms, + 50 ms, + 20 ms
    EXPECT_EQ(fast.ReplyWait(SearchProbe::SndNke), 235ms);
    // selection + E5h: (187 + 11 + 330) bits = 220 ms, + 50 ms, + 20 ms
    EXPECT_EQ(fast.ReplyWait(SearchProbe::Selection), 290ms);
    // REQ_UD2 + the longest frame, 261 characters: (55 + 2871 + 330) bits = 1356.67 ms, + 50, + 20
    EXPECT_EQ(fast.ReplyWait(SearchProbe::ReqUd2), 1427ms);
    // three characters (33 bits, 13.75 ms) + 20 ms
    EXPECT_EQ(fast.GuardTime(), 34ms);
    // one character, 4.58 ms, whether or not a collision came before
    EXPECT_EQ(fast.QuietTime(SearchProbe::SndNke, false), 5ms);
    EXPECT_EQ(fast.QuietTime(SearchProbe::Selection, true), 5ms);
}
