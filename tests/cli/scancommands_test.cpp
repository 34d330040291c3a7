// ostrand-cli scan-primary and scan-secondary as a script uses them: a
// child process against the simulated gateway, one run per way in.
#include "clirunner.h"
#include "busconfig.h"
#include "gatewayundertest.h"
#include "simulatedgateway.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

// At 9600 baud: a meter to read, two sharing address 3, and 12345675 for the tree.
const char* kBus = R"({"baud": 9600, "meters": [
    {"address": 1, "id": "12345675", "manufacturer": "ABB", "version": 5, "medium": 12, "baud": 9600},
    {"address": 3, "id": "12340001", "baud": 9600}, {"address": 3, "id": "12340002", "baud": 9600}]})";

class ScanCommandsTest : public ::testing::Test, protected GatewayUnderTest {
protected:
    void SetUp() override
    {
        EndpointOptions options;
        options.udpPort = 0;
        options.tcpPort = std::nullopt;
        options.configPort = 0;
        options.pty = true;
        ASSERT_NO_FATAL_FAILURE(StartGateway(kBus, options));
        // no collision delays, short record wait; the sim runs in this process and
    // the tool in its own, so the waits leave room for a busy machine
        QFile ini(dir.filePath(QStringLiteral("Ostrand.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[IP]\r\nBusDelay=0\r\nUDPTimeOut=1000\r\n[Search]\r\nCollisionPrimDelay=0\r\nCollisionSecDelay=0\r\n"
                  "SND_NKE_Timeout_9600_Aspen=300\r\nRSP_UD2_Timeout_9600_Aspen=2000\r\n");
    }

    CliRun Cli(QStringList arguments) { return RunCli(std::move(arguments), dir.path()); }
    QString Udp() const { return QStringLiteral("127.0.0.1:%1").arg(gateway->UdpPort()); }
    QString ReadFile(const QString& name) const
    {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir dir;
};

TEST_F(ScanCommandsTest, PrimaryScanPrintsTheRowsAndWritesBothFiles)
{
    const CliRun run = Cli({"scan-primary", "--udp", Udp(), "--first", "0", "--last", "3", "--line-speed", "2400",
                            "--snd-nke-timeout", "300", "--req-ud2-timeout", "2000", "--csv", dir.filePath("m.csv"),
                            "--txt", dir.filePath("m.txt")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 6) << run.out.toStdString();
    EXPECT_EQ(run.lines[0], "probed address snd_nke req_ud2 id manufacturer version medium device state");
    EXPECT_EQ(run.lines[1], "0 - -- - - - - - - none");
    EXPECT_EQ(run.lines[2], "1 1 Ok Ok 12345675 \"ABB (0442h)\" \"5 (05h)\" \"Heat (inlet) (0Ch)\" \"Delta Plus\" answered");
    EXPECT_EQ(run.lines[4], "3 - Collision - - - - - - fault");
    EXPECT_TRUE(run.lines[5].startsWith("probes=4 acknowledged=1 read=1 seconds=")) << run.lines[5].toStdString();
    EXPECT_TRUE(run.lines[5].contains(" line_speed=2400 snd_nke_timeout_ms=300 req_ud2_timeout_ms=2000 aborted=no "));
    EXPECT_TRUE(run.lines[5].contains(" summary=\"4 probes in "));

    const QStringList csv = ReadFile("m.csv").split("\r\n");
    ASSERT_EQ(csv.size(), 3 + 4 + 1);
    EXPECT_EQ(csv[1], "#Portsettings: UDP: " + Udp());
    EXPECT_EQ(csv[4], "12345675,0442,05,0C"); // the identification read, not the address probed
    EXPECT_EQ(csv[6], ",,,");
    const QString report = ReadFile("m.txt");
    EXPECT_TRUE(report.startsWith("ADDRESS INFO\r\n"));
    EXPECT_TRUE(report.contains("       SND_NKE        REQ_UD2 "));
}

TEST_F(ScanCommandsTest, NetworkScanLearnsTheSpeedFromTheGatewaysRecord)
{
    const CliRun run = Cli({"--json", "scan-primary", "--udp", Udp(), "--first", "1", "--last", "1", "--config-port",
                            QString::number(gateway->ConfigPort())});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 2);
    const QJsonObject row = QJsonDocument::fromJson(run.lines[0].toUtf8()).object();
    EXPECT_EQ(row.value("probed").toString(), "1");
    EXPECT_EQ(row.value("manufacturer").toString(), "ABB (0442h)");
    EXPECT_TRUE(row.value("device").isString());
    const QJsonObject summary = QJsonDocument::fromJson(run.lines[1].toUtf8()).object();
    EXPECT_EQ(summary.value("line_speed").toInt(), 9600); // and so the 9600 bps timeouts of the INI file
    EXPECT_EQ(summary.value("snd_nke_timeout_ms").toInt(), 300);
    EXPECT_EQ(summary.value("probes").toInt(), 1);
}

TEST_F(ScanCommandsTest, WhereTheWindowWouldAskTheScanStopsAndNamesTheOptions)
{
    const CliRun run = Cli({"scan-primary", "--udp", Udp(), "--config-port", "9"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("could not be read")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("--line-speed"));
    const CliRun birch = Cli({"scan-secondary", "--udp", Udp(), "--gateway-type", "birch"});
    EXPECT_EQ(birch.status, 1);
    EXPECT_TRUE(birch.err.contains("Birch")) << birch.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
}

TEST_F(ScanCommandsTest, SecondaryScanOverTheSerialLineListsTheFoundMeterOnly)
{
    const CliRun run = Cli({"scan-secondary", "--serial", gateway->PtyPath(), "--baud", "9600", "--mask", "1234567f",
                            "--meter-version", "05", "--read", "--found-only"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 3) << run.out.toStdString();
    EXPECT_EQ(run.lines[0], "probed address selection req_ud2 id manufacturer version medium device state");
    EXPECT_TRUE(run.lines[1].startsWith("12345675 1 Ok Ok 12345675 ")) << run.lines[1].toStdString();
    EXPECT_TRUE(run.lines[2].startsWith("probes=10 selected=1 read=1 ")) << run.lines[2].toStdString();
    EXPECT_TRUE(run.lines[2].contains(" line_speed=9600 ")); // the serial line's own speed
}

// The fast mode of both scans: the same rows, the waits of the bus at 9600
// baud: SND_NKE or a selection, the window and an E5h, plus the INI file's
// gateway allowance over the network (10 ms unless set), the serial
// driver's latency on a serial line.
TEST_F(ScanCommandsTest, FastScansWaitTheBusWindowAndFindTheSameMeters)
{
    const CliRun primary = Cli({"scan-primary", "--udp", Udp(), "--first", "1", "--last", "3", "--line-speed", "9600", "--fast"});
    ASSERT_EQ(primary.status, 0) << primary.err.toStdString();
    ASSERT_EQ(primary.lines.size(), 5) << primary.out.toStdString();
    EXPECT_TRUE(primary.lines[1].startsWith("1 1 Ok Ok 12345675 ")) << primary.lines[1].toStdString();
    EXPECT_EQ(primary.lines[3], "3 - Collision - - - - - - fault");
    // (55 + 11 + 330) bits at 9600 baud = 41.25 ms, + 50 ms, rounded up, + the allowance; REQ_UD2 with
    // the longest reply (261 characters): (55 + 2871 + 330) bits = 339.17 ms, + 50, + the allowance;
    // the allowance is the INI file's 10 ms unless the simulator's answers came later
    const QRegularExpressionMatch waits = QRegularExpression(
        " snd_nke_timeout_ms=(\\d+) req_ud2_timeout_ms=(\\d+) aborted=no fast=yes gateway_allowance_ms=(\\d+) "
        "summary=\"3 probes in \\d+ seconds, gateway allowance (\\d+) ms\"").match(primary.lines[4]);
    ASSERT_TRUE(waits.hasMatch()) << primary.lines[4].toStdString();
    const int allowance = waits.captured(3).toInt();
    EXPECT_GE(allowance, 10);
    EXPECT_EQ(waits.captured(1).toInt(), 92 + allowance);
    EXPECT_EQ(waits.captured(2).toInt(), 390 + allowance);
    EXPECT_EQ(waits.captured(4).toInt(), allowance);

    const CliRun secondary = Cli({"scan-secondary", "--serial", gateway->PtyPath(), "--baud", "9600", "--mask",
                                  "1234567f", "--found-only", "--fast"});
    ASSERT_EQ(secondary.status, 0) << secondary.err.toStdString();
    ASSERT_EQ(secondary.lines.size(), 3) << secondary.out.toStdString();
    EXPECT_TRUE(secondary.lines[1].startsWith("12345675 - Ok ")) << secondary.lines[1].toStdString();
    // a selection is 17 characters: (187 + 11 + 330) bits = 55 ms, + 50 ms, + 11 bits and 2 ms for the driver
    EXPECT_TRUE(secondary.lines[2].contains(" snd_nke_timeout_ms=109 ")) << secondary.lines[2].toStdString();
    EXPECT_TRUE(secondary.lines[2].contains(" gateway_allowance_ms=4 ")) << secondary.lines[2].toStdString();

    const CliRun unknown = Cli({"scan-primary", "--udp", Udp(), "--config-port", "9", "--fast",
                                "--snd-nke-timeout", "300", "--req-ud2-timeout", "300"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_TRUE(unknown.err.contains("--line-speed")) << unknown.err.toStdString();
}

// Ctrl-C in the middle of the first probe's wait: the probe is shown as
// aborted, the scan fails, and files that exist keep the last whole result.
TEST_F(ScanCommandsTest, AnInterruptedScanFailsShowsTheAbortedProbeAndKeepsExistingFiles)
{
    const QString csv = dir.filePath("m.csv");
    const QString txt = dir.filePath("m.txt");
    for (const QString& path : {csv, txt}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the last whole scan\r\n");
    }
    const QStringList scan = {"scan-primary", "--udp", Udp(), "--first", "0", "--last", "3", "--line-speed", "2400",
                              "--snd-nke-timeout", "20000", "--req-ud2-timeout", "300", "--csv", csv, "--txt", txt};
    const CliRun run = RunCli(scan, dir.path(), std::chrono::milliseconds(30000), std::chrono::milliseconds(3000));
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    ASSERT_EQ(run.lines.size(), 3) << run.out.toStdString();
    EXPECT_EQ(run.lines[1], "0 - Aborted - - - - - - none");
    EXPECT_TRUE(run.lines[2].contains(" aborted=yes ")) << run.lines[2].toStdString();
    EXPECT_TRUE(run.err.contains("interrupted")) << run.err.toStdString();
    EXPECT_EQ(ReadFile("m.csv"), "the last whole scan\r\n");
    EXPECT_EQ(ReadFile("m.txt"), "the last whole scan\r\n");

    // asked for, the partial result replaces the CSV file
    const CliRun asked = RunCli(scan + QStringList{"--save-partial"}, dir.path(), std::chrono::milliseconds(30000),
                                std::chrono::milliseconds(3000));
    EXPECT_EQ(asked.status, 1);
    EXPECT_TRUE(ReadFile("m.csv").startsWith("#Saved from ")) << ReadFile("m.csv").toStdString();
}

TEST_F(ScanCommandsTest, MasksAndRangesThatCannotBeSentAreUsageErrors)
{
    for (const QStringList& arguments : {QStringList{"scan-secondary", "--udp", Udp(), "--mask", "1234567G"},
                                         QStringList{"scan-secondary", "--udp", Udp(), "--manufacturer", "12345"},
                                         QStringList{"scan-primary", "--udp", Udp(), "--first", "9", "--last", "8"},
                                         QStringList{"scan-primary", "--udp", Udp(), "--no-snd-nke", "--no-req-ud2"}}) {
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

} // namespace
