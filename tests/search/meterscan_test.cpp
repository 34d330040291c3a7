// The primary and secondary scans as operations: against the simulated
// gateway over loopback UDP (instant line timing), and against a scripted
// peer for answers no meter of the simulator gives.
#include "search/meterscan.h"
#include "search/searchlink.h"

#include "comm/mbusframe.h"
#include "comm/waiting.h"

#include "busconfig.h"
#include "gatewayundertest.h"
#include "scriptedpeer.h"
#include "simulatedgateway.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

// The list as a window would hold it.
class ListSink : public SearchRowSink {
public:
    int AddRow(const SearchResultRow& row) override
    {
        rows.append(row);
        handles.append(next);
        return next++;
    }
    void ChangeRow(int handle, const SearchResultRow& row) override
    {
        if (const qsizetype at = handles.indexOf(handle); at >= 0)
            rows[at] = row;
    }
    void RowFinished(int handle, const SearchResultRow& row) override
    {
        ChangeRow(handle, row);
        ++finished;
    }
    void RemoveRow(int handle) override
    {
        if (const qsizetype at = handles.indexOf(handle); at >= 0) {
            rows.removeAt(at);
            handles.removeAt(at);
        }
    }
    void SetProgress(int done, int estimate) override { progress = {done, estimate}; }
    void SetStatus(int panel, const QString& text) override { status[panel] = text; }

    QStringList Probed() const
    {
        QStringList probed;
        for (const SearchResultRow& row : rows)
            probed << row.Text(rowtext::kProbed);
        return probed;
    }

    QList<SearchResultRow> rows;
    QList<int> handles;
    int next = 0;
    int finished = 0;
    std::pair<int, int> progress{-1, -1}; // probes done, probes expected
    QMap<int, QString> status;
};

// Texts 1-4 and the icon of a row.
struct Judged {
    const char* probed;
    const char* selection;
    const char* readout;
    SearchIcon icon;
};

void ExpectJudged(const SearchResultRow& row, const Judged& judged)
{
    SCOPED_TRACE(judged.probed);
    EXPECT_EQ(row.Text(rowtext::kProbed), QString::fromLatin1(judged.probed));
    EXPECT_EQ(row.Text(rowtext::kSelection), QString::fromLatin1(judged.selection));
    EXPECT_EQ(row.Text(rowtext::kReadout), QString::fromLatin1(judged.readout));
    EXPECT_EQ(static_cast<int>(row.icon), static_cast<int>(judged.icon));
}

class ScanTest : public ::testing::Test, protected GatewayUnderTest {
protected:
    ScanTest()
    {
        env.UseLanguage();
        timing.sndNkeTimeout = 120ms;
        timing.rspUd2Timeout = 400ms;
        timing.busDelay = 0ms;
        timing.collisionPrimDelay = 0ms;
        timing.collisionSecDelay = 0ms;
    }

    WizardContext& Context() { return env.Context(); }

    void StartBus(const char* json)
    {
        EndpointOptions options;
        options.udpPort = 0;
        options.tcpPort = 0;
        ASSERT_NO_FATAL_FAILURE(StartGateway(json, options));
        Open(gateway->UdpPort(), true);
    }

    void Open(quint16 port, bool udp)
    {
        ConnectionRequest request;
        request.host = QStringLiteral("127.0.0.1");
        request.port = port;
        request.udp = udp;
        ASSERT_TRUE(Context().connection.OpenConnection(request, 5000ms));
    }

    // A scan as the window runs it: inside one device operation.
    MeterScan& Scan()
    {
        link = std::make_unique<SearchLink>(Context().connection, Context().link, Context().log);
        link->SearchFrameDelay = timing.busDelay;
        scan = std::make_unique<MeterScan>(*link, Context().operations, Context().language, sink, timing);
        return *scan;
    }
    void RunPrimary(const PrimaryScanSettings& settings)
    {
        const DeviceOperationScope operation(Context().operations);
        Scan().RunPrimary(settings);
    }
    void RunSecondary(const SecondaryScanSettings& settings)
    {
        const DeviceOperationScope operation(Context().operations);
        Scan().RunSecondary(settings);
    }

    TestEnvironment env;
    SearchTiming timing;
    ListSink sink;
    std::unique_ptr<SearchLink> link;
    std::unique_ptr<MeterScan> scan;
};

// Meters for the primary scan: one to read, two sharing address 3, one that
// takes SND_NKE but never sends its data, one with the fixed data structure.
const char* kPrimaryBus = R"({"meters": [
    {"address": 1, "id": "12345678", "manufacturer": "ABB", "version": 2, "medium": 2},
    {"address": 3, "id": "12340001"}, {"address": 3, "id": "12340002"},
    {"address": 5, "id": "66600001", "answersReqUd2": false},
    {"address": 6, "id": "55500002", "fixedStructure": true, "mediumUnit": "1300", "counters": [1234, 56]}]})";

TEST_F(ScanTest, PrimaryScanJudgesEveryAddressAndSendsEachFrameOnce)
{
    StartBus(kPrimaryBus);
    RunPrimary({0, 6, true, true, false});

    const Judged expected[] = {
        {"0", "--", "", SearchIcon::Neutral},       {"1", "Ok", "Ok", SearchIcon::Answered},
        {"2", "--", "", SearchIcon::Neutral},       {"3", "Collision", "", SearchIcon::Fault},
        {"4", "--", "", SearchIcon::Neutral},       {"5", "Ok", "--", SearchIcon::Fault}, // acknowledged, then silent: no collision
        {"6", "Ok", "Ok", SearchIcon::Answered},
    };
    ASSERT_EQ(sink.rows.size(), 7);
    for (int i = 0; i < 7; ++i)
        ExpectJudged(sink.rows[i], expected[i]);
    const SearchResultRow& read = sink.rows[1];
    EXPECT_EQ(read.Text(rowtext::kAddress), "1");
    EXPECT_EQ(read.Text(rowtext::kIdentification), "12345678");
    EXPECT_EQ(read.Text(rowtext::kManufacturer), "ABB (0442h)");
    EXPECT_EQ(read.Text(rowtext::kDevice), "Delta");
    EXPECT_EQ(sink.rows[6].Text(rowtext::kDevice), "Fixed");
    EXPECT_EQ(sink.rows[6].Text(rowtext::kIdentification), "55500002");

    // SND_NKE to a is 10h 40h a (40h + a) 16h, REQ_UD2 10h 5Bh a (5Bh + a) 16h
    const QList<QByteArray> sent = {Hex("1040004016"), Hex("1040014116"), Hex("105B015C16"), Hex("1040024216"),
                                    Hex("1040034316"), Hex("1040044416"), Hex("1040054516"), Hex("105B056016"),
                                    Hex("1040064616"), Hex("105B066116")};
    EXPECT_EQ(frames, sent);
    EXPECT_EQ(scan->Counters().sndNkeFound, 3);
    EXPECT_EQ(scan->Counters().rspUd2Found, 2);
    EXPECT_EQ(scan->Counters().numberOfScans, 7);
    EXPECT_EQ(sink.status[3], "SND_NKE acknowledged: 3");
    EXPECT_EQ(sink.status[4], "Meters read: 2");
    EXPECT_EQ(sink.progress, std::make_pair(7, 7));
    // no transaction counted
    EXPECT_EQ(Context().log.ResponseCount() + Context().log.ErrorCount(), 0);
}

TEST_F(ScanTest, FoundOnlyKeepsCollisionsOfThePrimaryScan)
{
    StartBus(kPrimaryBus);
    RunPrimary({0, 6, true, true, true});
    EXPECT_EQ(sink.Probed(), QStringList({"1", "3", "5", "6"}));
    EXPECT_EQ(sink.finished, 7);
}

TEST_F(ScanTest, RequestWithoutResetTellsSilenceFromGarble)
{
    StartBus(kPrimaryBus);
    RunPrimary({2, 5, false, true, false});
    const Judged expected[] = {
        {"2", "", "--", SearchIcon::Neutral},
        {"3", "", "Collision", SearchIcon::Fault}, // two long frames overlaid
        {"4", "", "--", SearchIcon::Neutral},
        {"5", "", "--", SearchIcon::Neutral}, // the silent meter looks like nobody
    };
    ASSERT_EQ(sink.rows.size(), 4);
    for (int i = 0; i < 4; ++i)
        ExpectJudged(sink.rows[i], expected[i]);
    EXPECT_EQ(frames.front(), Hex("105B025D16"));
}

TEST_F(ScanTest, OnlyTheFrameAfterACollisionWaitsTheCollisionDelay)
{
    StartBus(kPrimaryBus);
    timing.collisionPrimDelay = 300ms;
    QList<qint64> sentAt;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(gateway.get(), &SimulatedGateway::Traffic, [&](TrafficDirection direction, const QString&, const QByteArray&) {
        if (direction == TrafficDirection::Received)
            sentAt.append(clock.elapsed());
    });
    RunPrimary({2, 4, true, false, false});
    ASSERT_EQ(sentAt.size(), 3);
    // the SND_NKE to 4 follows the collision at 3 after its whole wait and the delay
    EXPECT_GE(sentAt[2] - sentAt[1], (timing.sndNkeTimeout + timing.collisionPrimDelay).count() - 5);
}

// Two meters whose identifications part at the second digit.
const char* kTwoMeterBus = R"({"meters": [
    {"address": 6, "id": "11111111"}, {"address": 7, "id": "12222222"}]})";

TEST_F(ScanTest, TreeDescendsDepthFirstUntilEachSelectionHasOneMeter)
{
    timing.sndNkeTimeout = 80ms;
    StartBus(kTwoMeterBus);
    RunSecondary({});

    const QStringList probed = sink.Probed();
    ASSERT_EQ(probed.size(), 140); // 10 at the root, 10 below 1, 60 below each of 11 and 12
    const auto row = [&](const char* mask) { return sink.rows.value(probed.indexOf(QString::fromLatin1(mask))); };
    ExpectJudged(sink.rows[0], {"0FFFFFFF", "--", "", SearchIcon::Neutral});
    ExpectJudged(sink.rows[1], {"1FFFFFFF", "Collision", "", SearchIcon::Fault});
    ExpectJudged(sink.rows[2], {"10FFFFFF", "--", "", SearchIcon::Neutral});
    ExpectJudged(sink.rows[3], {"11FFFFFF", "Collision?", "", SearchIcon::Uncertain});
    ExpectJudged(sink.rows[4], {"110FFFFF", "--", "", SearchIcon::Neutral});
    ExpectJudged(row("1111111F"), {"1111111F", "Collision?", "", SearchIcon::Uncertain});
    ExpectJudged(row("11111111"), {"11111111", "Ok", "", SearchIcon::Answered});
    ExpectJudged(row("12FFFFFF"), {"12FFFFFF", "Collision?", "", SearchIcon::Uncertain});
    ExpectJudged(row("12222222"), {"12222222", "Ok", "", SearchIcon::Answered});
    ExpectJudged(sink.rows.back(), {"9FFFFFFF", "--", "", SearchIcon::Neutral});
    // a wildcard probe's row comes before the rows of its sub-scan
    EXPECT_LT(probed.indexOf("11FFFFFF"), probed.indexOf("110FFFFF"));
    EXPECT_LT(probed.indexOf("11111111"), probed.indexOf("12FFFFFF"));
    EXPECT_EQ(scan->Counters().sndNkeFound, 2);
    EXPECT_EQ(sink.status[3], "Selected: 2");
    // ten probes a level: the first, then 1x, then 11x... and 12x... down to the meters
    EXPECT_EQ(sink.progress, std::make_pair(140, 140));
    // the selection of 1FFFFFFF: 68h 0Bh 0Bh 68h, SND_UD 53h to FDh, CI 52h, the identification
    // least significant byte first, wildcard manufacturer, version and medium, checksum, 16h
    EXPECT_EQ(frames.value(1), Hex("680B0B6853FD52FFFFFF1FFFFFFFFFBA16"));
}

TEST_F(ScanTest, FoundOnlyLeavesOnlyTheSelectedMetersOfTheTree)
{
    timing.sndNkeTimeout = 80ms;
    StartBus(kTwoMeterBus);
    SecondaryScanSettings settings;
    settings.idMask = QStringLiteral("1FFFFFFF");
    settings.viewFoundOnly = true;
    RunSecondary(settings);
    EXPECT_EQ(sink.Probed(), QStringList({"11111111", "12222222"}));
    EXPECT_EQ(sink.progress, std::make_pair(130, 130)); // starts at the first F
}

const char* kLastDigitBus = R"({"meters": [
    {"address": 1, "id": "12345675", "manufacturer": "ABB", "version": 5, "medium": 12},
    {"address": 2, "id": "66600001", "answersReqUd2": false}]})";

TEST_F(ScanTest, MaskWithOneWildcardProbesTenAddressesAndReadsTheOneSelected)
{
    StartBus(kLastDigitBus);
    SecondaryScanSettings settings;
    settings.idMask = QStringLiteral("1234567F");
    settings.readMeters = true;
    RunSecondary(settings);

    ASSERT_EQ(sink.rows.size(), 10);
    for (int digit = 0; digit < 10; ++digit) {
        const QString mask = QStringLiteral("1234567") + QString::number(digit);
        if (digit == 5)
            ExpectJudged(sink.rows[digit], {"12345675", "Ok", "Ok", SearchIcon::Answered});
        else
            ExpectJudged(sink.rows[digit], {qPrintable(mask), "--", "", SearchIcon::Neutral});
    }
    EXPECT_EQ(sink.rows[5].Text(rowtext::kMedium), "Heat (inlet) (0Ch)");
    EXPECT_EQ(sink.rows[5].Text(rowtext::kDevice), "Delta Plus");
    // the selection of 12345670, then the REQ_UD2 of the selected meter: 10h 5Bh FDh 58h 16h
    EXPECT_EQ(frames[0], Hex("680B0B6853FD52705634" "12FFFFFFFF" "AA16"));
    EXPECT_EQ(frames[6], Hex("105BFD5816"));
    EXPECT_EQ(sink.status[4], "Meters read: 1");
}

TEST_F(ScanTest, SelectedMeterThatSendsNoDataHasNoReply)
{
    StartBus(kLastDigitBus);
    SecondaryScanSettings settings;
    settings.idMask = QStringLiteral("66600001"); // complete: one probe, one row
    settings.readMeters = true;
    RunSecondary(settings);
    ASSERT_EQ(sink.rows.size(), 1);
    ExpectJudged(sink.rows[0], {"66600001", "Ok", "--", SearchIcon::Fault});
    EXPECT_EQ(frames.size(), 2);
    EXPECT_EQ(sink.progress, std::make_pair(1, 1));
}

// Meter 1 answers after its read has timed out, while the read of 2 waits
// (the bus serves 2 once 1 is done): the frame carries address 1, so it is
// passed over and 2's own is taken.
TEST_F(ScanTest, ALateFrameIsNotTheNextAddresssAnswer)
{
    StartBus(R"({"meters": [{"address": 1, "id": "12345678", "faults": {"delayMs": 900}},
                           {"address": 2, "id": "22222222"}]})");
    timing.rspUd2Timeout = 600ms;
    PrimaryScanSettings settings;
    settings.first = 1;
    settings.last = 2;
    settings.sndNke = false;
    RunPrimary(settings);
    ASSERT_EQ(sink.rows.size(), 2);
    EXPECT_EQ(sink.rows[0].Text(rowtext::kReadout), "--");
    EXPECT_EQ(sink.rows[1].Text(rowtext::kReadout), "Ok");
    EXPECT_EQ(sink.rows[1].Text(rowtext::kIdentification), "22222222");
}

// A selected meter whose data come after its read timed out: the late
// frame is drained before the next selection, which stays unanswered.
TEST_F(ScanTest, ALateReadIsDrainedBeforeTheNextSelection)
{
    StartBus(R"({"meters": [{"address": 1, "id": "12345675", "faults": {"delayMs": 400}}]})");
    timing.sndNkeTimeout = 600ms;
    timing.rspUd2Timeout = 200ms;
    SecondaryScanSettings settings;
    settings.idMask = QStringLiteral("1234567F");
    settings.readMeters = true;
    RunSecondary(settings);
    ASSERT_EQ(sink.rows.size(), 10);
    ExpectJudged(sink.rows[5], {"12345675", "Ok", "--", SearchIcon::Fault});
    ExpectJudged(sink.rows[6], {"12345676", "--", "", SearchIcon::Neutral});
}

TEST_F(ScanTest, AbortAndCancelEndTheScanWithinTheRunningWait)
{
    StartBus(kPrimaryBus);
    timing.sndNkeTimeout = 2000ms;
    for (const bool fromOutside : {false, true}) {
        SCOPED_TRACE(fromOutside ? "cancel" : "abort");
        sink = ListSink();
        frames.clear();
        QTimer::singleShot(300ms, [&] {
            if (fromOutside)
                Context().operations.RequestCancel(); // Ctrl-C of the command-line tool
            else
                scan->Abort();
        });
        QElapsedTimer clock;
        clock.start();
        RunPrimary({0, 250, true, true, false});
        EXPECT_LT(clock.elapsed(), 1500); // well before the first wait's 2 s
        EXPECT_TRUE(scan->BreakFlag());
        ASSERT_EQ(sink.rows.size(), 1);
        ExpectJudged(sink.rows[0], {"0", "Aborted", "", SearchIcon::Neutral}); // not "--": the wait was cut short
        EXPECT_EQ(frames.size(), 1); // nothing goes out after the abort
        EXPECT_EQ(sink.progress, std::make_pair(0, 251)); // back to the start
    }
}

TEST_F(ScanTest, RepliesSplitIntoSinglePacketsOrGarbledAreJudgedWhole)
{
    timing.rspUd2Timeout = 3000ms; // 21 datagrams 5 ms apart take their time on a busy machine
    StartBus(R"({"meters": [
        {"address": 1, "id": "12345678", "manufacturer": "KVX", "version": 1, "faults": {"byteByByte": true}},
        {"address": 2, "id": "12345679", "faults": {"garbage": true}}]})");
    RunPrimary({1, 2, true, true, false});
    ASSERT_EQ(sink.rows.size(), 2);
    ExpectJudged(sink.rows[0], {"1", "Ok", "Ok", SearchIcon::Answered});
    EXPECT_EQ(sink.rows[0].Text(rowtext::kDevice), "Birch");
    ExpectJudged(sink.rows[1], {"2", "Collision", "", SearchIcon::Fault});
}

TEST_F(ScanTest, ReplyShorterThanItsHeaderCountsButDecodesNothing)
{
    ScriptedPeer peer(ScriptedPeer::Transport::Udp);
    Open(peer.Port(), true);
    // 68h 05h 05h 68h, RSP_UD from 5 with CI 72h and two data bytes, checksum 82h, 16h
    peer.AnswerNext({{Hex("680505680805720102" "8216")}});
    RunPrimary({5, 5, false, true, false});
    ASSERT_EQ(sink.rows.size(), 1);
    ExpectJudged(sink.rows[0], {"5", "", "Ok", SearchIcon::Answered});
    EXPECT_EQ(sink.rows[0].Text(rowtext::kIdentification), QString());
    EXPECT_EQ(scan->Counters().rspUd2Found, 1);
}

TEST_F(ScanTest, ACutOffReplySaysHowMuchOfItCame)
{
    ScriptedPeer peer(ScriptedPeer::Transport::Udp);
    Open(peer.Port(), true);
    peer.AnswerNext({{Hex("680B0B68080572785634")}}); // 10 of the 17 bytes its L field gives
    RunPrimary({5, 5, false, true, false});
    ASSERT_EQ(sink.rows.size(), 1);
    ExpectJudged(sink.rows[0], {"5", "", "Incomplete reply (10 of 17 bytes)", SearchIcon::Fault});
}

TEST_F(ScanTest, GatewayDroppingTheConnectionEndsTheScanAndSaysSo)
{
    ScriptedPeer peer(ScriptedPeer::Transport::Tcp);
    Open(peer.Port(), false);
    peer.AnswerNext({{Hex("E5")}});
    peer.ResetAfterScript(true);
    RunPrimary({0, 250, true, false, false});
    ASSERT_EQ(sink.rows.size(), 1);
    ExpectJudged(sink.rows[0], {"0", "Connection lost", "", SearchIcon::Fault});
    EXPECT_TRUE(scan->ConnectionLost());
}

TEST(SearchMasks, NormalisedOrRefused)
{
    EXPECT_EQ(NormaliseSearchMask(QStringLiteral(" 1234abcd "), 8), QStringLiteral("1234ABCD"));
    EXPECT_EQ(NormaliseSearchMask(QStringLiteral("12"), 8), QStringLiteral("00000012"));
    EXPECT_EQ(NormaliseSearchMask(QString(), 4), QStringLiteral("FFFF"));
    EXPECT_EQ(NormaliseSearchMask(QStringLiteral(" "), 2), QStringLiteral("FF"));
    EXPECT_EQ(NormaliseSearchMask(QStringLiteral("2d"), 4), QStringLiteral("002D"));
    EXPECT_FALSE(NormaliseSearchMask(QStringLiteral("1234567G"), 8));
    EXPECT_FALSE(NormaliseSearchMask(QStringLiteral("12 4"), 4));
    EXPECT_FALSE(NormaliseSearchMask(QStringLiteral("123"), 2));
    EXPECT_FALSE(SelectionFrame(QStringLiteral("FFFFFFFG"), QStringLiteral("FFFF"), QStringLiteral("FF"), QStringLiteral("FF")));
    // manufacturer 2C2Dh goes low byte first, version 01h, medium 07h
    EXPECT_EQ(SelectionFrame(QStringLiteral("87654321"), QStringLiteral("2C2D"), QStringLiteral("01"), QStringLiteral("07")),
              Hex("680B0B6853FD52" "21436587" "2D2C" "01" "07" "5316"));
}

// Every text of every row and its icon, one line a row.
QStringList RowLines(const QList<SearchResultRow>& rows)
{
    QStringList lines;
    for (const SearchResultRow& row : rows)
        lines << QStringList(row.texts.begin(), row.texts.end()).join(u'|') + u'|' + QString::number(static_cast<int>(row.icon));
    return lines;
}

// The sample bus with line timing, at 9600 baud to keep the run short: the
// fast search finds the same meters and collisions as the documented one,
// over UDP (replies forwarded whole) and over the pseudo-terminal (a byte
// at a time).
TEST_F(ScanTest, FastSearchFindsWhatTheDocumentedSearchFinds)
{
    BusConfigResult bus = LoadBusConfig(QStringLiteral(OSTRAND_SOURCE_DIR "/sim/buses/sample-bus.json"));
    ASSERT_TRUE(bus.config) << bus.error.toStdString();
    ASSERT_FALSE(bus.config->timing.instant);
    bus.config->baud = 9600;
    for (MeterConfig& meter : bus.config->meters) {
        if (meter.baud == 2400)
            meter.baud = 9600;
    }
    gateway = std::make_unique<SimulatedGateway>(*bus.config);
    EndpointOptions options;
    options.udpPort = 0;
    options.tcpPort = std::nullopt;
    options.pty = true;
    ASSERT_TRUE(gateway->Start(options));

    ConnectionRequest serial;
    serial.serial = true;
    serial.serialDevice = gateway->PtyPath();
    serial.lineSettings = QStringLiteral("9600,E,8,1");
    ConnectionRequest udp;
    udp.host = QStringLiteral("127.0.0.1");
    udp.port = gateway->UdpPort();
    SecondaryScanSettings secondary;
    secondary.idMask = QStringLiteral("123456FF"); // 12345678 and 12345679 collide at 1234567F
    for (const ConnectionRequest& request : {udp, serial}) {
        SCOPED_TRACE(request.serial ? "pseudo-terminal" : "UDP");
        Context().connection.CloseConnection();
        ASSERT_TRUE(Context().connection.OpenConnection(request, 5000ms));
        QStringList found[2][2]; // [fast][primary, secondary]
        for (const bool fast : {false, true}) {
            // generous waits: a loaded machine must not turn a late answer into a miss
            timing.sndNkeTimeout = 300ms;
            timing.rspUd2Timeout = 600ms;
            timing.busDelay = 10ms;
            timing.collisionPrimDelay = timing.collisionSecDelay = 50ms;
            timing.fast.reset();
            if (fast)
                timing.fast = FastSearchLine{9600, 100ms};
            sink = ListSink();
            RunPrimary({0, 5, true, true, false});
            found[fast][0] = RowLines(sink.rows);
            sink = ListSink();
            RunSecondary(secondary);
            found[fast][1] = RowLines(sink.rows);
        }
        EXPECT_EQ(found[1][0], found[0][0]);
        EXPECT_EQ(found[1][1], found[0][1]);
        // what both must have found: meter 1 read, the collision at 3, the secondary collision
        ASSERT_EQ(found[0][0].size(), 6);
        EXPECT_TRUE(found[0][0][1].startsWith(QLatin1String("1|1|Ok|Ok|12345678|"))) << found[0][0][1].toStdString();
        EXPECT_TRUE(found[0][0][3].startsWith(QLatin1String("3||Collision|"))) << found[0][0][3].toStdString();
        EXPECT_TRUE(found[0][1].join(u'\n').contains(QLatin1String("1234567F||Collision|"))) << found[0][1].join(u'\n').toStdString();
    }
}

} // namespace
