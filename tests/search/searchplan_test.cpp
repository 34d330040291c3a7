// The plan of a search: which waits it takes from the INI file, the line
// and the request.
#include "search/searchplan.h"
#include "base/language.h"

#include "connectionparts.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// The window would ask; no case here may get that far.
class NoQuestions : public SearchStartQuestions {
public:
    bool AskBirchGateway() override { return asked = true, false; }
    bool AskUnreadableRecord() override { return asked = true, false; }
    bool asked = false;
};

struct PlanCase {
    const char* name;
    QString lineSpeed;
    ini::SearchGateway type;
    std::optional<std::chrono::milliseconds> sndNke;
    std::optional<std::chrono::milliseconds> reqUd2;
    bool fast;
    QString assumedSpeed;
    std::chrono::milliseconds expectSndNke;
    std::chrono::milliseconds expectReqUd2;
    std::optional<int> expectFastBaud;
};

const ini::SearchGateway kAspen = ini::SearchGateway::Aspen;

const PlanCase kCases[] = {
    {"the set at the given speed", "9600", kAspen, {}, {}, false, "", 150ms, 600ms, {}},
    {"the other gateway type's set", "2400", ini::SearchGateway::Birch, {}, {}, false, "", 4000ms, 5000ms, {}},
    {"given timeouts before the file's", "9600", kAspen, 70ms, 900ms, false, "", 70ms, 900ms, {}},
    {"an unknown speed has the search's own", "", kAspen, {}, {}, false, "", 1000ms, 10000ms, {}},
    {"fast at the line speed", "9600", kAspen, {}, {}, true, "300", 150ms, 600ms, 9600},
    {"fast assumes the speed it is given", "", kAspen, {}, {}, true, "300", 1000ms, 10000ms, 300},
    {"fast without any speed", "", kAspen, {}, {}, true, "", 1000ms, 10000ms, {}},
};

TEST(SearchPlanTest, TimingFollowsTheRequestTheLineAndTheIniFile)
{
    ConnectionParts parts; // never opened: nothing is learnt from a gateway
    parts.ini.Write(ini::SearchSndNkeTimeout(QStringLiteral("9600"), kAspen), QStringLiteral("150"));
    parts.ini.Write(ini::SearchRspUd2Timeout(QStringLiteral("9600"), kAspen), QStringLiteral("600"));
    parts.ini.Write(ini::SearchSndNkeTimeout(QStringLiteral("2400"), ini::SearchGateway::Birch), QStringLiteral("4000"));
    parts.ini.Write(ini::SearchRspUd2Timeout(QStringLiteral("2400"), ini::SearchGateway::Birch), QStringLiteral("5000"));
    parts.ini.Write(ini::Search_CollisionPrimDelay, QStringLiteral("1234"));
    const Language language;
    for (const PlanCase& c : kCases) {
        SCOPED_TRACE(c.name);
        SearchRequest request;
        request.lineSpeed = c.lineSpeed;
        request.gatewayType = c.type;
        request.sndNkeTimeout = c.sndNke;
        request.reqUd2Timeout = c.reqUd2;
        request.fast = c.fast;
        request.assumedSpeed = c.assumedSpeed;
        request.busDelay = 40ms;
        SearchLineSource source{parts.connection, {}, 0, {}, {}};
        RememberedHost remembered;
        NoQuestions questions;
        const SearchPlan plan = PlanSearch(request, source, remembered, questions, language, parts.ini);
        EXPECT_FALSE(questions.asked);
        EXPECT_EQ(plan.timing.sndNkeTimeout, c.expectSndNke);
        EXPECT_EQ(plan.timing.rspUd2Timeout, c.expectReqUd2);
        EXPECT_EQ(plan.timing.fast ? std::optional<int>(plan.timing.fast->baud) : std::nullopt, c.expectFastBaud);
        EXPECT_EQ(plan.FastWithoutSpeed(), c.fast && !c.expectFastBaud);
        EXPECT_EQ(plan.Runnable(), !plan.FastWithoutSpeed());
        EXPECT_EQ(plan.timing.busDelay, 40ms);
        EXPECT_EQ(plan.timing.collisionPrimDelay, 1234ms);
        EXPECT_EQ(plan.timing.collisionSecDelay, 3000ms);
    }
}

} // namespace
