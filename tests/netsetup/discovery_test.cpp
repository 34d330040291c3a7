// The LAN scan against gateways on loopback addresses: the query, the
// quiet-time rule, bursts of answers, reachability and socket failures.
#include "netsetup/discovery.h"

#include "loopbackgateways.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QSet>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Remembers what the scan reported, in order.
struct RecordingSink : DiscoverySink {
    void DeviceFound(int row, const FoundDevice& device) override
    {
        EXPECT_EQ(row, found.size()) << "rows are numbered as they come";
        found << device;
        events << QStringLiteral("found");
    }
    void DeviceChecked(int row, const FoundDevice& device) override
    {
        EXPECT_EQ(row, checked.size()) << "rows are checked in list order";
        checked << device;
        events << QStringLiteral("checked");
    }
    void SendFailed(const QString& description) override { sendFailures << description; }
    void SocketFailed(const QString& description) override { socketFailures << description; }

    QList<FoundDevice> found;
    QList<FoundDevice> checked;
    QStringList events;
    QStringList sendFailures;
    QStringList socketFailures;
};

class DiscoveryScan : public ::testing::Test {
protected:
    ScanOptions Options(std::chrono::milliseconds scanTime = 200ms)
    {
        ScanOptions options;
        options.adapterIP = QStringLiteral("127.0.0.1");
        options.scanTime = scanTime;
        options.target = gateways.Target();
        options.isReachable = [this](const QString& ip) {
            arpAsked << ip;
            return reachable.contains(ip);
        };
        return options;
    }

    LoopbackGateways gateways;
    QSet<QString> reachable;
    QStringList arpAsked;
    RecordingSink sink;
};

} // namespace

TEST_F(DiscoveryScan, ListsEveryAnswerWithItsSenderAndChecksReachabilityAfterwards)
{
    const QByteArray aspen = LoopbackGateways::Answer(LoopbackGateways::Mac("00-20-4A-01-02-03"));
    const QByteArray birch = LoopbackGateways::Answer(LoopbackGateways::Mac("00-04-25-00-00-03"), 64);
    const QByteArray unknown = LoopbackGateways::Answer(LoopbackGateways::Mac("02-00-00-00-00-01"));
    gateways.Add(QStringLiteral("127.0.0.11"), {aspen}, 10ms);
    gateways.Add(QStringLiteral("127.0.0.12"), {birch}, 30ms);
    gateways.Add(QStringLiteral("127.0.0.13"), {unknown}, 50ms);
    reachable = {QStringLiteral("127.0.0.11"), QStringLiteral("127.0.0.13")};

    const ScanResult result = ScanLanDevices(Options(), sink);

    ASSERT_EQ(gateways.Queries().size(), 1);
    EXPECT_EQ(gateways.Queries().front(), QByteArray::fromHex("000000F6"));
    ASSERT_EQ(result.devices.size(), 3);
    EXPECT_EQ(sink.events, QStringList({"found", "found", "found", "checked", "checked", "checked"}));

    const FoundDevice& first = result.devices[0];
    EXPECT_EQ(first.answer.ip, "127.0.0.11");
    EXPECT_EQ(first.answer.mac, "00-20-4A-01-02-03");
    EXPECT_EQ(first.key, "00-20-4A-01-02-03/1");
    EXPECT_TRUE(first.reachable);

    const FoundDevice& second = result.devices[1];
    EXPECT_EQ(second.answer.ip, "127.0.0.12");
    EXPECT_EQ(second.key, "00-04-25-00-00-03/2");
    EXPECT_EQ(second.answer.serialNumber, 41943042u);
    EXPECT_FALSE(second.reachable);

    // An unknown prefix never counts as reachable, whatever ARP says.
    const FoundDevice& third = result.devices[2];
    EXPECT_EQ(third.key, "02-00-00-00-00-01/0");
    EXPECT_FALSE(third.reachable);
    EXPECT_FALSE(arpAsked.contains(QStringLiteral("127.0.0.13")));

    EXPECT_TRUE(result.unreachableSeen);
    EXPECT_FALSE(sink.found[0].reachable) << "rows are listed before they are checked";
    EXPECT_TRUE(sink.checked[0].reachable);
    EXPECT_TRUE(sink.sendFailures.isEmpty());
    EXPECT_TRUE(sink.socketFailures.isEmpty());
}

TEST_F(DiscoveryScan, ARepeatedMacIsListedAgainWithoutAKeyAndCountsAsUnknown)
{
    const QByteArray aspen = LoopbackGateways::Answer(LoopbackGateways::Mac("00-20-4A-01-02-03"));
    const QByteArray other = LoopbackGateways::Answer(LoopbackGateways::Mac("00-20-4A-01-02-04"));
    gateways.Add(QStringLiteral("127.0.0.21"), {aspen, aspen}, 10ms);
    gateways.Add(QStringLiteral("127.0.0.22"), {aspen}, 40ms);
    gateways.Add(QStringLiteral("127.0.0.23"), {other}, 60ms);
    reachable = {QStringLiteral("127.0.0.21"), QStringLiteral("127.0.0.22"), QStringLiteral("127.0.0.23")};

    const ScanResult result = ScanLanDevices(Options(), sink);

    ASSERT_EQ(result.devices.size(), 4);
    EXPECT_EQ(result.devices[0].key, "00-20-4A-01-02-03/1");
    EXPECT_TRUE(result.devices[0].reachable);
    // Without a key a row is of type 0, as a click on it reads it: never reachable.
    EXPECT_EQ(result.devices[1].key, "");
    EXPECT_FALSE(result.devices[1].reachable);
    EXPECT_EQ(result.devices[2].key, "");
    EXPECT_EQ(result.devices[2].answer.ip, "127.0.0.22");
    EXPECT_FALSE(result.devices[2].reachable);
    EXPECT_TRUE(result.unreachableSeen);
    // One ARP request per address, and none for a row of unknown type.
    EXPECT_EQ(arpAsked, QStringList({"127.0.0.21", "127.0.0.23"}));
}

TEST_F(DiscoveryScan, ShortEmptyAndHugeAnswersAreRowsLikeAnyOther)
{
    gateways.Add(QStringLiteral("127.0.0.31"), {QByteArray(24, '\x01')}, 10ms);
    gateways.Add(QStringLiteral("127.0.0.32"), {QByteArray()}, 20ms);
    gateways.Add(QStringLiteral("127.0.0.33"), {LoopbackGateways::Answer(LoopbackGateways::Mac("E8-99-5A-00-00-03"), 65000)}, 30ms);

    const ScanResult result = ScanLanDevices(Options(), sink);

    ASSERT_EQ(result.devices.size(), 3);
    EXPECT_EQ(result.devices[0].answer.mac, "00-00-00-00-00-00");
    EXPECT_EQ(result.devices[0].answer.type, DeviceTypeUnknown);
    EXPECT_EQ(result.devices[1].answer.ip, "127.0.0.32");
    EXPECT_EQ(result.devices[1].answer.mac, "00-00-00-00-00-00");
    EXPECT_EQ(result.devices[1].key, "") << "the all-zero MAC was listed just before";
    EXPECT_EQ(result.devices[2].answer.type, DeviceTypeBirch);
    EXPECT_EQ(result.devices[2].answer.serialNumber, ((0x5A000003u / 2) + 1) & 0x3FFFFFFu);
}

TEST_F(DiscoveryScan, EachAnswerRestartsTheQuietTime)
{
    // Four answers 150 ms apart keep a 300 ms scan going; a fifth, long
    // after the quiet time has run out, comes too late.
    const auto answer = [](int n) {
        return LoopbackGateways::Answer(QByteArray::fromHex("00204A0000") + static_cast<char>(n));
    };
    gateways.Add(QStringLiteral("127.0.0.41"), {answer(1), answer(2), answer(3), answer(4)}, 150ms);
    gateways.Add(QStringLiteral("127.0.0.42"), {answer(5)}, 2000ms);

    QElapsedTimer clock;
    clock.start();
    const qint64 startMs = LoopbackGateways::NowMs();
    const ScanResult result = ScanLanDevices(Options(300ms), sink);
    const qint64 tookMs = clock.elapsed();

    ASSERT_EQ(result.devices.size(), 4);
    EXPECT_EQ(result.devices[3].answer.mac, "00-20-4A-00-00-04");
    ASSERT_GE(gateways.AnswerTimesMs().size(), 4);
    const qint64 lastAnswerMs = gateways.AnswerTimesMs()[3] - startMs;
    EXPECT_GE(lastAnswerMs, 600);
    // the two clocks are read a moment apart: a few milliseconds either way
    EXPECT_GE(tookMs + 5, lastAnswerMs + 300) << "the scan waits the whole quiet time after the last answer";
    EXPECT_LT(tookMs, lastAnswerMs + 300 + 1000) << "and not much more";
}

TEST_F(DiscoveryScan, WithoutAnswersItEndsAfterTheScanTime)
{
    QElapsedTimer clock;
    clock.start();
    const ScanResult result = ScanLanDevices(Options(250ms), sink);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(result.devices.isEmpty());
    EXPECT_FALSE(result.unreachableSeen);
    EXPECT_EQ(gateways.Queries().size(), 1);
}

TEST_F(DiscoveryScan, TwoHundredAnswersAtOnceFromOneSocketAreAllListedOnce)
{
    QList<QByteArray> answers;
    for (int n = 0; n < 200; ++n)
        answers << LoopbackGateways::Answer(QByteArray::fromHex("0004250100") + static_cast<char>(n), 30 + n);
    gateways.Add(QStringLiteral("127.0.0.51"), answers);

    const ScanResult result = ScanLanDevices(Options(300ms), sink);

    ASSERT_EQ(result.devices.size(), 200);
    QSet<QString> keys;
    for (int n = 0; n < 200; ++n) {
        const FoundDevice& device = result.devices[n];
        EXPECT_EQ(device.answer.ip, "127.0.0.51");
        EXPECT_EQ(device.answer.mac, QStringLiteral("00-04-25-01-00-%1").arg(n, 2, 16, QLatin1Char('0')).toUpper())
            << "in the order sent";
        keys.insert(device.key);
    }
    EXPECT_EQ(keys.size(), 200) << "every MAC once, each with its key";
    EXPECT_EQ(sink.found.size(), 200);
    EXPECT_EQ(sink.checked.size(), 200);
}

TEST_F(DiscoveryScan, TwoHundredGatewaysAnsweringTogetherAreAllListedOnce)
{
    for (int n = 1; n <= 200; ++n) {
        gateways.Add(QStringLiteral("127.0.1.%1").arg(n),
                     {LoopbackGateways::Answer(QByteArray::fromHex("00204A0200") + static_cast<char>(n))});
    }

    const ScanResult result = ScanLanDevices(Options(300ms), sink);

    ASSERT_EQ(result.devices.size(), 200);
    QSet<QString> senders;
    QSet<QString> macs;
    for (const FoundDevice& device : result.devices) {
        senders.insert(device.answer.ip);
        macs.insert(device.answer.mac);
        EXPECT_EQ(device.answer.mac.right(2), QStringLiteral("%1").arg(device.answer.ip.section(u'.', 3).toInt(), 2, 16,
                                                                      QLatin1Char('0')).toUpper())
            << "each row pairs a sender with its own MAC";
    }
    EXPECT_EQ(senders.size(), 200);
    EXPECT_EQ(macs.size(), 200);
}

TEST_F(DiscoveryScan, AnAdapterThatIsNotOursIsIgnored)
{
    gateways.Add(QStringLiteral("127.0.0.61"), {LoopbackGateways::Answer(LoopbackGateways::Mac("00-20-4A-00-00-61"))}, 10ms);
    for (const char* adapter : {"192.0.2.254", "", "NO_ADAPTER"}) {
        SCOPED_TRACE(adapter);
        RecordingSink fresh;
        ScanOptions options = Options();
        options.adapterIP = QString::fromLatin1(adapter);
        const ScanResult result = ScanLanDevices(options, fresh);
        ASSERT_EQ(result.devices.size(), 1);
        EXPECT_EQ(result.devices[0].answer.mac, "00-20-4A-00-00-61");
        EXPECT_TRUE(fresh.sendFailures.isEmpty());
    }
}

TEST_F(DiscoveryScan, ASendFailureIsReportedAndTheScanStillWaits)
{
    // An IPv6 target from a socket bound to an IPv4 address cannot be sent to.
    ScanOptions options = Options(150ms);
    options.target = {QHostAddress(QHostAddress::LocalHostIPv6), gateways.Target().port};
    QElapsedTimer clock;
    clock.start();
    const ScanResult result = ScanLanDevices(options, sink);
    EXPECT_GE(clock.elapsed(), 150);
    ASSERT_EQ(sink.sendFailures.size(), 1);
    EXPECT_FALSE(sink.sendFailures.front().isEmpty()) << sink.sendFailures.front().toStdString();
    EXPECT_TRUE(sink.socketFailures.isEmpty()) << "one failure, one report";
    EXPECT_TRUE(result.devices.isEmpty());
}

TEST(DiscoveryTexts, SummaryAndScanTime)
{
    TestEnvironment env;
    env.UseLanguage();
    const Language& language = env.Context().language;
    const QString crlf = QStringLiteral("\r\n");

    ScanResult none;
    EXPECT_EQ(ScanSummaryText(language, none), language.GetLanguageText(189));

    ScanResult two;
    two.devices.resize(2);
    EXPECT_EQ(ScanSummaryText(language, two),
              "2 " + language.GetLanguageText(190) + crlf + language.GetLanguageText(192));
    two.unreachableSeen = true;
    EXPECT_EQ(ScanSummaryText(language, two), "2 " + language.GetLanguageText(190) + crlf
                                                  + language.GetLanguageText(191) + crlf + language.GetLanguageText(192));

    IniFile& ini = env.Context().ini;
    EXPECT_EQ(ScanTimeFromIni(ini), 1000ms);
    // The timeouts dialog spells it "ScanTimeOut", the scan "ScanTimeout": one key.
    ini.WriteIniValue(QStringLiteral("ip"), QStringLiteral("scantimeout"), QStringLiteral("2500 ms"));
    EXPECT_EQ(ScanTimeFromIni(ini), 2500ms);
    ini.WriteIniValue(QStringLiteral("IP"), QStringLiteral("ScanTimeOut"), QStringLiteral("-5"));
    EXPECT_EQ(ScanTimeFromIni(ini), 1000ms); // no time to scan: the default
    ini.WriteIniValue(QStringLiteral("IP"), QStringLiteral("ScanTimeOut"), QStringLiteral("99999999999"));
    EXPECT_EQ(ScanTimeFromIni(ini), std::chrono::milliseconds(2147483647));
}
