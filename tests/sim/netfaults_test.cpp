// The simulator's network faults: what the shaper does to the datagrams and
// stream chunks an endpoint hands it, and the options that set it up.
#include "netfaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

struct Received {
    QList<int> order;       // the numbers of the datagrams in the order they came
    QList<qint64> arrivals; // ms after the first send
};

// Sends datagrams (or stream chunks) numbered 0..count-1 through a shaper
// and waits until they have all gone out.
Received Shape(const NetFaults& faults, int count, bool stream = false)
{
    NetFaultShaper shaper(faults, 1);
    Received received;
    QElapsedTimer clock;
    clock.start();
    const auto send = [&](const QByteArray& bytes) {
        received.order.append(bytes.toInt());
        received.arrivals.append(clock.elapsed());
    };
    for (int i = 0; i < count; ++i) {
        if (stream)
            shaper.SendStreamChunk(QByteArray::number(i), send);
        else
            shaper.SendDatagram(QByteArray::number(i), send);
    }
    const auto longest = faults.delay + faults.jitter + faults.lateBy + 500ms;
    QTest::qWait(static_cast<int>(longest.count()));
    return received;
}

QList<int> Numbers(int count)
{
    QList<int> numbers;
    for (int i = 0; i < count; ++i)
        numbers.append(i);
    return numbers;
}

TEST(NetFaults, WithoutFaultsEverythingGoesOutAtOnceInOrder)
{
    EXPECT_EQ(Shape({}, 50).order, Numbers(50));
}

TEST(NetFaults, LossAndDuplicationComeNearTheirPercentageAndRepeatWithTheSeed)
{
    NetFaults lossy;
    lossy.lossPercent = 10;
    const Received lost = Shape(lossy, 1000);
    EXPECT_GT(lost.order.size(), 850); // 900 expected; the bounds are five deviations wide
    EXPECT_LT(lost.order.size(), 950);
    EXPECT_EQ(Shape(lossy, 1000).order, lost.order) << "the same seed must lose the same datagrams";
    lossy.seed = 2;
    EXPECT_NE(Shape(lossy, 1000).order, lost.order);

    NetFaults doubling;
    doubling.duplicatePercent = 30;
    const Received doubled = Shape(doubling, 1000);
    EXPECT_GT(doubled.order.size(), 1230);
    EXPECT_LT(doubled.order.size(), 1370);
    EXPECT_EQ(QSet<int>(doubled.order.begin(), doubled.order.end()).size(), 1000); // every one at least once
}

TEST(NetFaults, AHeldBackDatagramFollowsTheNextOne)
{
    NetFaults reordering;
    reordering.reorderPercent = 100;
    EXPECT_EQ(Shape(reordering, 2).order, QList<int>({1, 0}));
    // with nothing after it, a held datagram still goes out
    EXPECT_EQ(Shape(reordering, 1).order, QList<int>({0}));
}

TEST(NetFaults, DelayHoldsEveryDatagramAndAStreamKeepsItsOrder)
{
    NetFaults delayed;
    delayed.delay = 100ms;
    delayed.jitter = 80ms;
    const Received datagrams = Shape(delayed, 40);
    ASSERT_EQ(datagrams.order.size(), 40);
    for (qint64 arrival : datagrams.arrivals)
        EXPECT_GE(arrival, 19); // never before the delay less the jitter
    EXPECT_NE(datagrams.order, Numbers(40)) << "jitter this wide reorders datagrams";
    EXPECT_EQ(Shape(delayed, 40, true).order, Numbers(40)) << "a stream never reorders";
}

TEST(NetFaults, TheLateReplyComesAfterTheOnesBehindIt)
{
    NetFaults late;
    late.lateReply = 2;
    late.lateBy = 200ms;
    const Received received = Shape(late, 3);
    EXPECT_EQ(received.order, QList<int>({0, 2, 1}));
    EXPECT_GE(received.arrivals.back(), 199);
}

TEST(NetFaults, OptionsAreReadOrRefused)
{
    struct Row {
        QStringList arguments;
        bool accepted;
    };
    const Row rows[] = {
        {{"--loss", "10", "--duplicate", "5", "--reorder", "25", "--seed", "7"}, true},
        {{"--delay", "200:50", "--late-reply", "1:2500", "--tcp-reset-reply", "3", "--restart-mid-write", "1"}, true},
        {{"--loss", "101"}, false},
        {{"--loss", "-1"}, false},
        {{"--delay", "50:60"}, false}, // jitter above the delay would send before the request came
        {{"--delay", "ms"}, false},
        {{"--late-reply", "0:100"}, false},
        {{"--late-reply", "2"}, false},
        {{"--vanish-mid-reply", "2"}, true},
        {{"--vanish-mid-reply", "0"}, false},
        {{"--vanish-mid-reply", "1:x"}, false},
    };
    for (const Row& row : rows) {
        QCommandLineParser parser;
        AddNetFaultOptions(parser);
        ASSERT_TRUE(parser.parse(QStringList{"ostrand-sim"} + row.arguments));
        NetFaults faults;
        EXPECT_EQ(ReadNetFaultOptions(parser, faults).isEmpty(), row.accepted) << row.arguments.join(u' ').toStdString();
    }
    QCommandLineParser parser;
    AddNetFaultOptions(parser);
    ASSERT_TRUE(parser.parse({"ostrand-sim", "--delay", "200:50", "--late-reply", "1:2500", "--loss", "10", "--vanish-mid-reply", "3:400"}));
    NetFaults faults;
    ASSERT_TRUE(ReadNetFaultOptions(parser, faults).isEmpty());
    EXPECT_EQ(faults.delay, 200ms);
    EXPECT_EQ(faults.jitter, 50ms);
    EXPECT_EQ(faults.lateReply, 1);
    EXPECT_EQ(faults.lateBy, 2500ms);
    EXPECT_EQ(faults.lossPercent, 10);
    EXPECT_EQ(faults.vanishMidReply, 3);
    EXPECT_EQ(faults.vanishedFor, 400ms);
}

} // namespace
