// The reachability test's branches with a pinger and clock of the test's
// own: no packet leaves the process.
#include "netsetup/pingtest.h"

#include "testenvironment.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

struct TextSink : PingTestSink {
    void SetText(const QString& value) override
    {
        text = value;
        ++sets;
    }
    void AppendText(const QString& value) override { text += value; }
    void EchoDone(int number, bool answered, qint64 ms) override { echoes << QStringLiteral("%1:%2:%3").arg(number).arg(answered).arg(ms); }

    QString text;
    int sets = 0;
    QStringList echoes;
};

class PingTestBranches : public ::testing::Test {
protected:
    PingTestBranches() { env.UseLanguage(); }

    // Each ping takes its time on the test's clock and answers as scripted.
    PingTestResult Run(int numberOfPings, QList<bool> answers, QList<qint64> times, std::chrono::milliseconds delay = 0ms)
    {
        PingTestSettings settings;
        settings.numberOfPings = numberOfPings;
        settings.delay = delay;
        const Pinger pinger = [this, answers, times](const QString& ip) {
            addresses << ip;
            const int n = static_cast<int>(addresses.size()) - 1;
            now += n < times.size() ? times[n] : 0;
            return n < answers.size() && answers[n];
        };
        return RunPingTest(QStringLiteral("192.0.2.44"), settings, Texts(), pinger, sink, env.Context().operations, [this] { return now; });
    }

    const ::Language& Texts() { return env.Context().language; }
    QString T(int id) { return Texts().GetLanguageText(id); }
    QString Ping(int n) { return "\r\n" + T(160) + ' ' + QString::number(n); }
    QString Ok(const QString& time) { return " - " + T(164) + ' ' + time + ' ' + T(162) + '.'; }
    QString Failed(qint64 ms) { return " - " + T(161) + ' ' + QString::number(ms) + ' ' + T(162) + '.'; }
    QString Summary(int count, qint64 total)
    {
        return "\r\n\r\n" + T(166) + ' ' + QString::number(count) + ' ' + T(167) + ' ' + QString::number(total) + ' '
               + T(162) + '.';
    }

    TestEnvironment env;
    TextSink sink;
    QStringList addresses;
    qint64 now = 1000;
};

} // namespace

TEST_F(PingTestBranches, AllAnsweredGivesEachTimeAndTheSummary)
{
    const PingTestResult result = Run(4, {true, true, true, true}, {2, 2, 2, 2});
    EXPECT_EQ(sink.text, T(159) + "\r\n" + Ping(1) + Ok("2") + Ping(2) + Ok("2") + Ping(3) + Ok("2") + Ping(4) + Ok("2")
                             + Summary(4, 8));
    EXPECT_EQ(sink.sets, 1);
    EXPECT_EQ(result.count, 4);
    EXPECT_EQ(result.totalMs, 8);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(addresses, QStringList(4, QStringLiteral("192.0.2.44")));
    EXPECT_EQ(sink.echoes, QStringList({"1:1:2", "2:1:2", "3:1:2", "4:1:2"}));
}

TEST_F(PingTestBranches, AReplyUnderAMillisecondShowsLessThanOneAndAddsNothing)
{
    const PingTestResult result = Run(2, {true, true}, {0, 3});
    EXPECT_EQ(sink.text, T(159) + "\r\n" + Ping(1) + Ok("< 1") + Ping(2) + Ok("3") + Summary(2, 3));
    EXPECT_EQ(result.totalMs, 3);
}

TEST_F(PingTestBranches, AFailureBeforeTheLastPingStopsWithoutSummary)
{
    const PingTestResult result = Run(4, {true, false, true, true}, {5, 1000, 5, 5});
    EXPECT_EQ(sink.text, T(159) + "\r\n" + Ping(1) + Ok("5") + Ping(2) + Failed(1000) + "\r\n\r\n" + T(165));
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.count, 2);
    EXPECT_EQ(addresses.size(), 2) << "no ping after the failure";
}

TEST_F(PingTestBranches, OnlyTheLastFailingStillGivesTheSummary)
{
    const PingTestResult result = Run(3, {true, true, false}, {4, 0, 1000});
    EXPECT_EQ(sink.text,
              T(159) + "\r\n" + Ping(1) + Ok("4") + Ping(2) + Ok("< 1") + Ping(3) + Failed(1000) + Summary(3, 1004));
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(sink.echoes.last(), "3:0:1000");
}

TEST_F(PingTestBranches, NoPingsAtAllIsASuccessWithNothingCounted)
{
    for (const int n : {0, -3}) {
        sink = TextSink();
        const PingTestResult result = Run(n, {}, {});
        EXPECT_EQ(sink.text, T(159) + "\r\n" + Summary(0, 0));
        EXPECT_TRUE(result.completed);
        EXPECT_EQ(result.count, 0);
    }
    EXPECT_TRUE(addresses.isEmpty());
}

TEST_F(PingTestBranches, TheDelayFollowsEachAnsweredPing)
{
    QElapsedTimer clock;
    clock.start();
    Run(3, {true, true, true}, {1, 1, 1}, 60ms);
    EXPECT_GE(clock.elapsed(), 3 * 60);
    EXPECT_LT(clock.elapsed(), 5000);

    clock.restart();
    Run(3, {false}, {1}, 2000ms);
    EXPECT_LT(clock.elapsed(), 1500) << "no delay after a failure";
}

TEST_F(PingTestBranches, TheIniFileGivesCountAndDelay)
{
    IniFile& ini = env.Context().ini;
    PingTestSettings settings = PingTestSettingsFromIni(ini);
    EXPECT_EQ(settings.numberOfPings, 4);
    EXPECT_EQ(settings.delay, 500ms);
    ini.Write(ini::IP_NumberOfPings, QStringLiteral("7 pings"));
    ini.Write(ini::IP_PingDelay, QStringLiteral("25"));
    settings = PingTestSettingsFromIni(ini);
    EXPECT_EQ(settings.numberOfPings, 7);
    EXPECT_EQ(settings.delay, 25ms);
    ini.Write(ini::IP_NumberOfPings, QStringLiteral("100000")); // a 16-bit number
    ini.Write(ini::IP_PingDelay, QStringLiteral("-1"));
    settings = PingTestSettingsFromIni(ini);
    EXPECT_EQ(settings.numberOfPings, 32767);
    EXPECT_EQ(settings.delay, 0ms);
}
