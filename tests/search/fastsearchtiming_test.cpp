#include "search/fastsearchtiming.h"
#include "search/gatewayallowance.h"
#include "search/searchtiming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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
    // the guard or the silent window has left the line idle long enough, collision or not
    EXPECT_EQ(fast.QuietTime(SearchProbe::SndNke, false), 0ms);
    EXPECT_EQ(fast.QuietTime(SearchProbe::Selection, true), 0ms);
}

// On a serial line only the driver's latency (a character + 2 ms) is
// allowed, and a REQ_UD2 whose answer has not started by the end of the
// window gets no answer; over the network the whole longest frame is waited.
TEST(FastSearchTiming, SerialLineAllowsTheDriverOnly)
{
    const struct {
        int baud;
        std::chrono::milliseconds sndNke;     // ceil((66 + 330) bits + 50 ms + 11 bits + 2 ms)
        std::chrono::milliseconds firstByte;  // the same after REQ_UD2
        std::chrono::milliseconds reqUd2;     // (55 + 2871 + 330) bits + 50 ms + the latency
    } rows[] = {
        {300, 1409ms, 1409ms, 10943ms},
        {2400, 222ms, 222ms, 1414ms},
        {9600, 95ms, 95ms, 393ms},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.baud);
        SearchTiming serial;
        serial.fast = FastSearchLine{row.baud, 20ms, true};
        EXPECT_EQ(serial.ReplyWait(SearchProbe::SndNke), row.sndNke);
        EXPECT_EQ(serial.FirstByteWait(SearchProbe::ReqUd2), row.firstByte);
        EXPECT_EQ(serial.ReplyWait(SearchProbe::ReqUd2), row.reqUd2);
        EXPECT_EQ(serial.FirstByteWait(SearchProbe::SndNke), 0ms); // an E5h is its first byte
        SearchTiming network = serial;
        network.fast->serial = false;
        EXPECT_EQ(network.FirstByteWait(SearchProbe::ReqUd2), 0ms);
        EXPECT_EQ(network.Allowance(), 20ms);
    }
}

// The allowance a network gateway gets: the setting until an answer shows
// the gateway takes longer, then the longest delay seen + 5 ms.
TEST(FastSearchTiming, GatewayAllowanceLearntFromTheAnswers)
{
    const struct {
        const char* name;
        std::chrono::milliseconds setting;
        std::vector<std::chrono::microseconds> delays;
        std::chrono::milliseconds applied;
    } rows[] = {
        {"no answer yet", 10ms, {}, 10ms},
        {"a quick gateway keeps the setting", 10ms, {1200us, 3000us}, 10ms},
        {"a slow one raises it", 10ms, {7000us, 12300us, 9000us}, 18ms},
        {"the longest delay counts", 0ms, {40ms, 2ms}, 45ms},
        {"a meter quicker than usual", 10ms, {-20ms}, 10ms},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        GatewayAllowance allowance;
        for (const auto delay : row.delays)
            allowance.Note(delay);
        EXPECT_EQ(allowance.Applied(row.setting), row.applied);
    }
    // an E5h at 2400 baud: SND_NKE, 120 bits of turnaround and the E5h take 77.5 ms
    EXPECT_EQ(GatewayDelay(84500us, kShortFrameLength, 1, 2400), 7000us);
    // a gateway that passes a 30-character frame on whole: (5 + 30) x 11 + 120 bits at 9600 = 52.6 ms
    EXPECT_EQ(GatewayDelay(60000us, kShortFrameLength, 30, 9600), 7395us);
}
