// Record reads and writes over loopback UDP against a scripted
// configuration port, and over a pseudo-terminal against a gateway in its
// serial setup mode: a scripted one, and the simulated gateway.
#include "comm/waiting.h"
#include "netsetup/configprotocol.h"
#include "netsetup/recorddefaults.h"
#include "netsetup/networksettings.h"
#include "netsetup/recordtransfer.h"

#include "configresponder.h"
#include "ptysetupgateway.h"
#include "simulatedgateway.h"
#include "testenvironment.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

const QString kLoopback = QStringLiteral("127.0.0.1");

class RecordTransferTest : public ::testing::Test {
protected:
    RecordTransferTest()
    {
        env.UseLanguage();
        transfer.SetRemotePort(responder.Port());
        transfer.sendFailed = [this](const QString& description) { sendFailures << description; };
        transfer.socketError = [this](const QString& description) { socketErrors << description; };
    }

    Connection& SerialLine() { return env.Context().connection; }
    void OpenPty()
    {
        ASSERT_TRUE(gateway.Open());
        ASSERT_TRUE(SerialLine().OpenSerialDevice(gateway.SlavePath(), QStringLiteral("9600,N,8,1")));
    }

    TestEnvironment env;
    ConfigResponder responder;
    PtySetupGateway gateway;
    RecordTransfer transfer {env.Context().connection, env.Context().language};
    QStringList sendFailures;
    QStringList socketErrors;
};

// ---- over the network ---------------------------------------------------------

TEST_F(RecordTransferTest, ReadTakesTheRecordOfAWholeReply)
{
    cRecord record0(0);
    ASSERT_TRUE(transfer.Read_Record(record0, TransferMode::Network, kLoopback, 1000ms));
    EXPECT_EQ(record0.Bytes(), responder.records[0]);
    EXPECT_EQ(responder.requests, QList<QByteArray>({config::ReadQuery(0)}));

    cRecord record1(1);
    ASSERT_TRUE(transfer.Read_Record(record1, TransferMode::Network, kLoopback, 1000ms));
    EXPECT_EQ(record1.Bytes(), responder.records[1]);
    EXPECT_EQ(responder.requests.back(), config::ReadQuery(1));
    EXPECT_TRUE(sendFailures.isEmpty());
    EXPECT_TRUE(socketErrors.isEmpty());
}

TEST_F(RecordTransferTest, ReadFailuresLeaveTheRecordAsItWas)
{
    const ConfigResponder::Fault faults[] = {
        ConfigResponder::Fault::ShortReply, ConfigResponder::Fault::WrongReadCommand, ConfigResponder::Fault::Silent};
    for (const auto fault : faults) {
        responder.fault = fault;
        cRecord record(0);
        record.SetBytes("before");
        EXPECT_FALSE(transfer.Read_Record(record, TransferMode::Network, kLoopback, 300ms)) << int(fault);
        EXPECT_EQ(record.Bytes(), QByteArray("before")) << int(fault);
    }
    EXPECT_EQ(responder.ReadQueries(0), 3);
}

TEST_F(RecordTransferTest, AnUnknownMethodFailsSoftly)
{
    cRecord record(0);
    record.RestoreRecordToDefault(false);
    EXPECT_FALSE(transfer.Read_Record(record, static_cast<TransferMode>(3), kLoopback, 300ms));
    EXPECT_FALSE(transfer.Write_Record(record, static_cast<TransferMode>(0), kLoopback, 300ms));
    EXPECT_TRUE(responder.requests.isEmpty());
}

TEST_F(RecordTransferTest, ASendFailureIsReportedAndEndsTheRead)
{
    cRecord record(0);
    EXPECT_FALSE(transfer.Read_Record(record, TransferMode::Network, QString(), 1000ms));
    ASSERT_EQ(sendFailures.size(), 1);
    EXPECT_FALSE(sendFailures.front().isEmpty());

    QStringList warnings;
    transfer.WarnThrough([&](const QString& text) { warnings << text; });
    EXPECT_FALSE(transfer.Read_Record(record, TransferMode::Network, QString(), 1000ms));
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings.front().startsWith(env.Context().language.GetLanguageText(154) + "\r\n\r\n'"));
    EXPECT_TRUE(warnings.front().endsWith(u'\''));
}

TEST_F(RecordTransferTest, WriteIsDoneWhenTheGatewayAnswersAgainAfterItsRestart)
{
    cRecord record(0);
    record.SetBytes(responder.records[0]);
    record.RestoreRecordToDefault(true);
    ASSERT_TRUE(record.Set_IPPort("4001"));
    transfer.AdapterIP = kNoAdapter; // no usable adapter: the socket stays unbound
    ASSERT_TRUE(transfer.Write_Record(record, TransferMode::Network, kLoopback, 3000ms));
    EXPECT_EQ(responder.records[0], record.Bytes());
    ASSERT_EQ(responder.requests.size(), 2);
    EXPECT_EQ(responder.requests[0], config::WriteDatagram(0, record.Bytes()));
    EXPECT_EQ(responder.requests[1], config::ReadQuery(0)) << "the check after the restart";

    // The security record is checked the same way: through record 0.
    cRecord security(1);
    security.RestoreRecordToDefault(false);
    ASSERT_TRUE(transfer.Write_Record(security, TransferMode::Network, kLoopback, 3000ms));
    EXPECT_EQ(responder.requests.back(), config::ReadQuery(0));
}

TEST_F(RecordTransferTest, AWrongOrMissingAcknowledgementFailsWithoutTheRestartWait)
{
    cRecord record(0);
    record.RestoreRecordToDefault(false);
    // Time enough for the check after a restart, were it to come.
    for (const auto fault : {ConfigResponder::Fault::WrongAck, ConfigResponder::Fault::NoAck}) {
        responder.requests.clear();
        responder.fault = fault;
        EXPECT_FALSE(transfer.Write_Record(record, TransferMode::Network, kLoopback, 2500ms)) << int(fault);
        EXPECT_EQ(responder.requests, QList<QByteArray>({config::WriteDatagram(0, record.Bytes())})) << int(fault);
    }
}

TEST_F(RecordTransferTest, AnAcknowledgedWriteWithoutAnAnswerAfterwardsFails)
{
    cRecord record(0);
    record.RestoreRecordToDefault(false);
    responder.fault = ConfigResponder::Fault::SilentAfterAck;
    // 3000 ms: the acknowledgement costs 100, the restart 1000, what is
    // left allows two checks of a second each.
    EXPECT_FALSE(transfer.Write_Record(record, TransferMode::Network, kLoopback, 3000ms));
    EXPECT_GE(responder.ReadQueries(0), 1);
    EXPECT_LE(responder.ReadQueries(0), 2);
}

TEST_F(RecordTransferTest, AWriteCancelledOnceSentSaysSoAndSendsNothingMore)
{
    cRecord network(0);
    network.RestoreRecordToDefault(false);
    cRecord security(1);
    security.RestoreRecordToDefault(false);
    responder.fault = ConfigResponder::Fault::SilentAfterAck; // the restart never ends
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!responder.requests.isEmpty()) {
            watch.stop();
            transfer.Abort();
        }
    });
    watch.start(1ms);
    EXPECT_EQ(transfer.Write_Records({&network, &security}, TransferMode::Network, kLoopback, 20000ms),
              QList<bool>({false, false}));
    EXPECT_TRUE(transfer.CancelledAfterSending()) << "the gateway may have taken record 0";
    WaitUntil([] { return false; }, 300ms); // time for a datagram sent anyway
    EXPECT_EQ(responder.requests, QList<QByteArray>({config::WriteDatagram(0, network.Bytes())}));
}

TEST_F(RecordTransferTest, AnEmptyRecordIsNeverSent)
{
    cRecord record(0);
    EXPECT_FALSE(transfer.Write_Record(record, TransferMode::Network, kLoopback, 600ms));
    EXPECT_TRUE(responder.requests.isEmpty());
}

// ---- over the serial setup mode ----------------------------------------------

TEST_F(RecordTransferTest, SerialReadCollectsTheRecordLines)
{
    OpenPty();
    gateway.records[0] = SampleNetworkRecord();
    cRecord record(0);
    ASSERT_TRUE(transfer.Read_Record(record, TransferMode::Serial, QString(), 1000ms));
    EXPECT_EQ(record.Bytes(), SampleNetworkRecord());
    EXPECT_EQ(gateway.commands, QStringList({"G0"}));

    cRecord security(1);
    ASSERT_TRUE(transfer.Read_Record(security, TransferMode::Serial, QString(), 1000ms));
    EXPECT_EQ(security.Bytes(), gateway.records[1]);
}

TEST_F(RecordTransferTest, SerialReadOfAnIncompleteRecordFails)
{
    OpenPty();
    const struct {
        const char* what;
        int number;
        QByteArray record;
    } rows[] = {
        {"two lines, then nothing", 0, SampleNetworkRecord().left(60)},
        {"record 0 a byte short", 0, SampleNetworkRecord().left(119)},
        {"record 0 a byte long", 0, SampleNetworkRecord() + '\x01'},
        {"record 1 a byte short: long enough to end the wait", 1, DefaultRecordBytes(1).left(125)},
    };
    for (const auto& row : rows) {
        gateway.records[static_cast<size_t>(row.number)] = row.record;
        cRecord record(row.number);
        record.SetBytes("before");
        EXPECT_FALSE(transfer.Read_Record(record, TransferMode::Serial, QString(), 300ms)) << row.what;
        EXPECT_EQ(record.Bytes(), QByteArray("before")) << row.what;
    }
}

TEST_F(RecordTransferTest, SerialWriteSendsTheLinesThenRestartsTheGateway)
{
    OpenPty();
    cRecord record(0);
    record.SetBytes(SampleNetworkRecord());
    ASSERT_TRUE(record.Set_IPAddress("10.1.2.3"));
    ASSERT_TRUE(transfer.Write_Record(record, TransferMode::Serial, QString(), 2000ms));
    WaitUntil([this] { return gateway.commands.contains("QU"); }, 1000ms); // the last command on its way
    EXPECT_EQ(gateway.badLines, 0);
    ASSERT_EQ(gateway.setLines.size(), 4);
    EXPECT_EQ(gateway.records[0], record.Bytes());
    ASSERT_GE(gateway.commands.size(), 4);
    EXPECT_EQ(gateway.commands.front(), "S0");
    EXPECT_EQ(gateway.commands[1], "RS");
    EXPECT_EQ(gateway.commands[2], "zzz");
    EXPECT_EQ(gateway.commands.back(), "QU");
}

TEST_F(RecordTransferTest, SerialWriteOfTwoRecordsRestartsOnceAfterBoth)
{
    OpenPty();
    gateway.refusedRecord = 1;
    cRecord network(0);
    network.SetBytes(SampleNetworkRecord());
    cRecord security(1);
    security.SetBytes(DefaultRecordBytes(1));
    // Record 1 refused: record 0 is still put to use by the one restart after both.
    EXPECT_EQ(transfer.Write_Records({&network, &security}, TransferMode::Serial, QString(), 2000ms),
        QList<bool>({true, false}));
    WaitUntil([this] { return gateway.commands.contains("QU"); }, 1000ms);
    EXPECT_EQ(gateway.commands, QStringList({"S0", "S1", "RS", "zzz", "QU"}));
    EXPECT_EQ(gateway.records[0], network.Bytes());
}

TEST_F(RecordTransferTest, SerialWriteNotTakenStopsBeforeTheRestart)
{
    OpenPty();
    gateway.endOfRecordAnswer = "1>";
    cRecord record(0);
    record.SetBytes(SampleNetworkRecord());
    EXPECT_FALSE(transfer.Write_Record(record, TransferMode::Serial, QString(), 2000ms));
    EXPECT_EQ(gateway.commands, QStringList({"S0"}));
}

TEST_F(RecordTransferTest, SerialWriteCancelledSendsNothingMore)
{
    OpenPty();
    cRecord record(0);
    record.SetBytes(SampleNetworkRecord());
    const struct {
        const char* when;
        std::function<bool()> cancelNow;
        qsizetype setLines;
        bool sent;
    } rows[] = {
        // the gateway took the record, but no restart puts it to use
        {"after the record was taken", [this] { return SerialLine().SerialReceiveBuffer() == config::kAcceptedPrompt; },
         4, true},
        {"after S0", [this] { return gateway.commands.size() == 1; }, 0, false},
    };
    for (const auto& row : rows) {
        gateway.commands.clear();
        gateway.setLines.clear();
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (row.cancelNow()) {
                watch.stop();
                transfer.Abort();
            }
        });
        watch.start(1ms);
        EXPECT_FALSE(transfer.Write_Record(record, TransferMode::Serial, QString(), 2000ms)) << row.when;
        WaitUntil([] { return false; }, 300ms); // time for lines sent anyway
        EXPECT_EQ(gateway.commands, QStringList({"S0"})) << row.when;
        EXPECT_EQ(gateway.setLines.size(), row.setLines) << row.when;
        EXPECT_EQ(transfer.CancelledAfterSending(), row.sent) << row.when;
    }
}

TEST_F(RecordTransferTest, SettingsWithSecurityReachTheSimulatedGatewayOverItsCable)
{
    BusConfig bus = DefaultBusConfig();
    bus.config.promptDelay = 10ms;
    bus.config.faults.restartTime = 300ms;
    SimulatedGateway simulator(bus);
    EndpointOptions options;
    options.udpPort.reset();
    options.tcpPort.reset();
    options.pty = true;
    QString error;
    ASSERT_TRUE(simulator.Start(options, &error)) << error.toStdString();
    ASSERT_TRUE(SerialLine().OpenSerialDevice(simulator.PtyPath(), QStringLiteral("9600,N,8,1")));
    ASSERT_TRUE(transfer.WaitForSetupPrompt(3000ms));

    DeviceRecords records;
    ASSERT_TRUE(ReadNetworkSettings(transfer, records, TransferMode::Serial, QString(), 1000ms));
    RecordChanges changes;
    changes.port = QStringLiteral("4005");
    changes.allowTelnet = true;
    changes.allowConfig = false;
    const SettingsWriteResult result
        = WriteNetworkSettings(transfer, records, changes, TransferMode::Serial, QString(), 3000ms);
    EXPECT_EQ(result.status, SettingsWriteResult::Status::Written);
    EXPECT_EQ(result.security, SettingsWriteResult::Security::Written);

    // Read back over the cable, in a setup mode entered afresh.
    ASSERT_TRUE(transfer.WaitForSetupPrompt(3000ms));
    cRecord security(1);
    ASSERT_TRUE(transfer.Read_Record(security, TransferMode::Serial, QString(), 1000ms));
    EXPECT_TRUE(security.Get_AllowTelnet());
    EXPECT_FALSE(security.Get_Allow77FE());
    cRecord network(0);
    ASSERT_TRUE(transfer.Read_Record(network, TransferMode::Serial, QString(), 1000ms));
    EXPECT_EQ(network.Get_IPPort(), "4005");
}

TEST_F(RecordTransferTest, SetupPromptIsCalledForWithGrowingDots)
{
    OpenPty();
    gateway.promptAfterCalls = 3;
    QStringList shown;
    transfer.promptProgress = [&](const QString& text) { shown << text; };
    ASSERT_TRUE(transfer.WaitForSetupPrompt(-1ms));
    EXPECT_EQ(gateway.wakeUps, 4);
    const QString waiting = env.Context().language.GetLanguageText(153);
    EXPECT_EQ(shown, QStringList({waiting, waiting + ".", waiting + "..", waiting + "..."}));
}

TEST_F(RecordTransferTest, SetupPromptWaitEndsOnAbortOrTimeout)
{
    OpenPty();
    gateway.answerPrompt = false;
    QTimer::singleShot(600ms, [this] { transfer.Abort(); });
    EXPECT_FALSE(transfer.WaitForSetupPrompt(-1ms));
    EXPECT_TRUE(transfer.SetupAbort());
    EXPECT_GE(gateway.wakeUps, 2);

    // A limit of 500 ms allows the calls made up to then.
    gateway.wakeUps = 0;
    EXPECT_FALSE(transfer.WaitForSetupPrompt(500ms));
    EXPECT_GE(gateway.wakeUps, 2);
    EXPECT_LE(gateway.wakeUps, 4);

    // The flag of an earlier abort does not end the next wait.
    gateway.answerPrompt = true;
    EXPECT_TRUE(transfer.WaitForSetupPrompt(2000ms));
}

} // namespace
