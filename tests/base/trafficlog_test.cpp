// The communication log's lines with the clocks held still: what a
// technician reads in the log window and finds in a saved log.
#include "base/trafficlog.h"

#include "testenvironment.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

const QString kTimeOfDay = QStringLiteral("14:05:09");

// 5 h 2 min 3.045 s after the system started.
constexpr quint32 kTick = (5 * 3600 + 2 * 60 + 3) * 1000 + 45;

QByteArray Bytes(int count, int first = 0x10)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += static_cast<char>(first + i);
    return bytes;
}

class TrafficLogTest : public ::testing::Test {
protected:
    TrafficLogTest()
    {
        log.tickClock = [this] { return tick; };
        log.timeOfDayClock = [] { return kTimeOfDay; };
        log.SetDebugLogging(true);
    }

    quint32 tick = kTick;
    TrafficLog log;
};

TEST_F(TrafficLogTest, SentFrameOfTwentyBytesTakesTwoLinesWithTheDataFieldsInOneColumn)
{
    log.LogTraffic(Bytes(20), TrafficKind::Sent);

    const QString head = kTimeOfDay + QStringLiteral(" 5:02:03.045 -> ");
    const QString first = QStringLiteral("10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F");
    const QString second = QStringLiteral("20 21 22 23");
    ASSERT_EQ(log.Lines().size(), 2) << "no separator before the first block";
    EXPECT_EQ(log.Lines()[0], head + first.leftJustified(66));
    EXPECT_EQ(log.Lines()[1], QString(head.size(), u' ') + second.leftJustified(66));

    log.LogTraffic(Bytes(3, 0xFD), TrafficKind::Sent);
    ASSERT_EQ(log.Lines().size(), 4);
    EXPECT_EQ(log.Lines()[2], QString()) << "a later block is set off by an empty line";
    EXPECT_EQ(log.Lines()[3], head + QStringLiteral("FD FE FF").leftJustified(66));
}

TEST_F(TrafficLogTest, ReceivedAndTextLinesHaveTheirMarkersAndNoSeparator)
{
    log.LogTraffic(QByteArray::fromHex("e5"), TrafficKind::Received);
    const QString longText = QStringLiteral("Unexpected error retrieving Device Control Block, and then some more words");
    ASSERT_GT(longText.size(), 66);
    log.LogTraffic(longText.toLatin1(), TrafficKind::Text);

    // A note beyond Latin-1: a socket error in another language, a device path.
    const QString note = QStringLiteral("\u63a5\u7d9a\u304c\u62d2\u5426\u3055\u308c\u307e\u3057\u305f /dev/tty\u00dcSB0");
    log.LogText(note);

    ASSERT_EQ(log.Lines().size(), 3);
    EXPECT_EQ(log.Lines()[0], kTimeOfDay + QStringLiteral(" 5:02:03.045 <- ") + QStringLiteral("E5").leftJustified(66));
    EXPECT_EQ(log.Lines()[1], kTimeOfDay + QStringLiteral(" 5:02:03.045    ") + longText) << "text is kept whole";
    EXPECT_EQ(log.Lines()[2], kTimeOfDay + QStringLiteral(" 5:02:03.045    ") + note) << "and as it is written";
}

TEST_F(TrafficLogTest, EmptyDataAddsNoLineButASentBlockStillGetsItsSeparator)
{
    log.LogTraffic({}, TrafficKind::Received);
    log.LogTraffic({}, TrafficKind::Text);
    EXPECT_TRUE(log.Lines().isEmpty());

    log.LogText(QStringLiteral("BusTimeout"));
    log.LogTraffic({}, TrafficKind::Sent);
    ASSERT_EQ(log.Lines().size(), 2);
    EXPECT_EQ(log.Lines()[1], QString());
}

TEST_F(TrafficLogTest, StampShowsTheTickCountAsHoursMinutesSecondsAndMilliseconds)
{
    struct Case {
        quint32 tick;
        const char* stamp;
    };
    const Case cases[] = {
        {0, " 0:00:00.000"},
        {3000, " 0:00:03.000"},                          // a whole second gives .000
        {59999, " 0:00:59.999"},
        {(30 * 3600 + 59 * 60 + 7) * 1000 + 5, " 30:59:07.005"}, // hours go on past a day
        {0x7FFFFFFF, " 596:31:23.647"},                  // the largest positive count
        {0xFFFFFFFF, " 596:31:23.646"},                  // reads as -1; 2147483647 is added
        {0x80000001, " 0:00:00.000"},                    // -2147483647 + 2147483647
    };
    for (const Case& c : cases) {
        tick = c.tick;
        log.Clear();
        log.LogText(QStringLiteral("x"));
        ASSERT_EQ(log.Lines().size(), 1);
        EXPECT_EQ(log.Lines()[0], kTimeOfDay + QLatin1String(c.stamp) + QStringLiteral("    x")) << c.tick;
    }
}

TEST_F(TrafficLogTest, OnlyTheNewestMaxDebugLinesStay)
{
    log.SetMaxDebugLines(1);
    log.LogTraffic(Bytes(20), TrafficKind::Sent);
    ASSERT_EQ(log.Lines().size(), 1);
    EXPECT_TRUE(log.Lines()[0].trimmed().startsWith(QStringLiteral("20 21 22 23")));

    log.SetMaxDebugLines(3);
    for (int i = 0; i < 5; ++i)
        log.LogText(QString::number(i));
    ASSERT_EQ(log.Lines().size(), 3);
    EXPECT_TRUE(log.Lines()[0].endsWith(u'2'));
    EXPECT_TRUE(log.Lines()[2].endsWith(u'4'));

    log.SetMaxDebugLines(0);
    EXPECT_EQ(log.MaxDebugLines(), 1);
    log.SetMaxDebugLines(-5);
    EXPECT_EQ(log.MaxDebugLines(), 1);
}

TEST_F(TrafficLogTest, NothingIsLoggedWhileNobodyWatchesAndClosingForgetsTheLines)
{
    log.LogText(QStringLiteral("kept"));
    log.SetDebugLogging(false);
    EXPECT_TRUE(log.Lines().isEmpty()) << "the next opening starts with an empty list";

    QSignalSpy added(&log, &TrafficLog::linesAdded);
    log.LogTraffic(Bytes(20), TrafficKind::Sent);
    log.LogText(QStringLiteral("BusTimeout"));
    EXPECT_TRUE(log.Lines().isEmpty());
    EXPECT_EQ(added.count(), 0);
}

TEST_F(TrafficLogTest, CountersRunOnWhenTheListIsClearedAndOnlyResetStatsZeroesThem)
{
    QSignalSpy changed(&log, &TrafficLog::countersChanged);
    log.CountResponse();
    log.CountResponse();
    log.CountError();
    log.LogText(QStringLiteral("x"));
    log.Clear();
    EXPECT_TRUE(log.Lines().isEmpty());
    EXPECT_EQ(log.ResponseCount(), 2);
    EXPECT_EQ(log.ErrorCount(), 1);
    ASSERT_EQ(changed.count(), 3);
    EXPECT_EQ(changed.last(), (QVariantList{2, 1}));

    log.LogText(QStringLiteral("y"));
    log.ResetStats();
    EXPECT_EQ(log.ResponseCount(), 0);
    EXPECT_EQ(log.ErrorCount(), 0);
    EXPECT_EQ(log.Lines().size(), 1);
    EXPECT_EQ(changed.last(), (QVariantList{0, 0}));
}

} // namespace
