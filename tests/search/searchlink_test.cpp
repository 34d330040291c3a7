// The search's own send and wait against a scripted peer on loopback: what
// ends the wait, what is logged, and what is left alone.
#include "search/searchlink.h"

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "comm/mbusframe.h"
#include "comm/waiting.h"

#include "scriptedpeer.h"
#include "testenvironment.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Chunk = ScriptedPeer::Chunk;

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// RSP_UD from address 5 with the fixed header only: 68h 0Bh 0Bh 68h, 08h 05h 72h,
// identification 12345678, manufacturer 0442h, version 2, medium 2, checksum, 16h.
const QByteArray kMeterReply = Hex("680B0B68" "080572" "78563412" "4204" "02" "02" "DD16");

class SearchLinkTest : public ::testing::Test {
protected:
    SearchLinkTest()
    {
        ConnectionRequest request;
        request.host = QStringLiteral("127.0.0.1");
        request.port = peer.Port();
        EXPECT_TRUE(Context().connection.OpenConnection(request, 1000ms));
        Context().log.SetDebugLogging(true);
        Context().log.SetMaxDebugLines(1000);
        Context().log.SetSearchTrace(true);
        link.SearchFrameDelay = 0ms;
    }

    WizardContext& Context() { return env.Context(); }

    QByteArray Exchange(QList<Chunk> answer, std::chrono::milliseconds timeout = 400ms,
                        std::chrono::milliseconds guard = 0ms)
    {
        peer.AnswerNext(std::move(answer));
        const DeviceOperationScope operation(Context().operations);
        link.SendSearchFrame(ShortFrame(mbus::kSndNke, 5));
        return link.WaitSearchReply(timeout, guard);
    }

    QString Logged() { return Context().log.Lines().join(u'\n'); }

    TestEnvironment env;
    ScriptedPeer peer{ScriptedPeer::Transport::Udp};
    SearchLink link{env.Context().connection, env.Context().link, env.Context().log};
};

TEST_F(SearchLinkTest, AnAbortInTheQuietTimeSendsNothing)
{
    link.SearchFrameDelay = 1000ms;
    Context().link.MarkReceived();
    {
        const DeviceOperationScope operation(Context().operations);
        QTimer::singleShot(50ms, [this] { Context().operations.RequestCancel(); });
        link.SendSearchFrame(ShortFrame(mbus::kSndNke, 5));
    }
    WaitUntil([this] { return !peer.Requests().isEmpty(); }, 300ms); // time for a frame sent anyway
    EXPECT_TRUE(peer.Requests().isEmpty());
}

TEST_F(SearchLinkTest, LoneAcknowledgementNeverEndsTheWait)
{
    // a second acknowledgement arriving later is still heard
    const QByteArray reply = Exchange({{Hex("E5")}, {Hex("E5"), 150ms}});
    EXPECT_TRUE(reply.isEmpty());
    EXPECT_EQ(link.Received(), Hex("E5E5"));
    EXPECT_TRUE(Logged().contains(QStringLiteral("Received 2 byte")));
    EXPECT_EQ(Context().log.ResponseCount(), 0);
    EXPECT_EQ(Context().log.ErrorCount(), 0);
}

// The guard listens on after the last byte, past the wait's own end: an
// acknowledgement late in the window is followed by whatever else comes,
// and a frame with bytes after it is no answer. The gaps are far from the
// guard's edge, so a loaded machine cannot change the outcome.
// A line still silent after the first-byte wait ends the wait there; an
// answer that started within it is listened to until it is whole, and
// when its first bytes came is kept.
TEST_F(SearchLinkTest, FirstByteWaitEndsASilentWaitOnly)
{
    peer.AnswerNext({});
    {
        const DeviceOperationScope operation(Context().operations);
        link.SendSearchFrame(ShortFrame(mbus::kReqUd2, 5));
        EXPECT_TRUE(link.WaitSearchReply(2000ms, 0ms, {}, 100ms).isEmpty());
    }
    EXPECT_EQ(link.RequiredWaiting(), 100ms); // not the whole 2000 ms
    EXPECT_FALSE(link.FirstArrival());

    peer.AnswerNext({{kMeterReply.left(4), 50ms}, {kMeterReply.mid(4), 250ms}});
    const DeviceOperationScope operation(Context().operations);
    link.SendSearchFrame(ShortFrame(mbus::kReqUd2, 5));
    EXPECT_EQ(link.WaitSearchReply(2000ms, 0ms, {}, 100ms), kMeterReply);
    ASSERT_TRUE(link.FirstArrival());
    EXPECT_EQ(link.FirstArrival()->bytes, 4);
    EXPECT_GE(link.FirstArrival()->sinceSend, 50ms);
}

TEST_F(SearchLinkTest, GuardTimeHearsWhatFollowsTheFirstAnswer)
{
    EXPECT_TRUE(Exchange({{Hex("E5"), 80ms}, {Hex("E5"), 60ms}}, 100ms, 250ms).isEmpty());
    EXPECT_EQ(link.Received(), Hex("E5E5"));

    EXPECT_TRUE(Exchange({{kMeterReply}, {Hex("FF00"), 60ms}}, 400ms, 250ms).isEmpty());
    EXPECT_EQ(link.Received(), kMeterReply + Hex("FF00"));

    EXPECT_EQ(Exchange({{kMeterReply}}, 400ms, 50ms), kMeterReply);
}

TEST_F(SearchLinkTest, WholeFrameInPiecesIsTakenAndLogged)
{
    ASSERT_EQ(kMeterReply.size(), 17);
    const QByteArray reply = Exchange({{kMeterReply.left(3)}, {kMeterReply.mid(3, 9), 20ms}, {kMeterReply.mid(12), 20ms}});
    EXPECT_EQ(reply, kMeterReply);
    EXPECT_TRUE(Logged().contains(QStringLiteral("Received 17 byte")));
    EXPECT_TRUE(Logged().contains(QStringLiteral(" -> "))); // the frame sent
    EXPECT_EQ(Context().log.ResponseCount(), 0);
}

TEST_F(SearchLinkTest, IncompleteFrameTimesOutWithTheTransactionNote)
{
    EXPECT_TRUE(Exchange({{kMeterReply.left(5)}}, 200ms).isEmpty());
    EXPECT_TRUE(Logged().contains(QStringLiteral("BusTimeout (Received only 5 of 17 bytes)")));
    EXPECT_EQ(Context().log.ErrorCount(), 0);
}

TEST_F(SearchLinkTest, NothingIsLoggedWithoutTheSearchTrace)
{
    Context().log.SetSearchTrace(false);
    EXPECT_EQ(Exchange({{kMeterReply}}), kMeterReply);
    EXPECT_TRUE(Context().log.Lines().isEmpty());
}

} // namespace
