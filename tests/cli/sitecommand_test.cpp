// ostrand-cli site as a script uses it: one child process finds the
// simulated gateway, sets its address, scans and reads, and prints one JSON
// document.
#include "busconfig.h"
#include "clirunner.h"
#include "comm/mbusframe.h"
#include "gatewayundertest.h"
#include "simulatedgateway.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A meter to read at 1 (one volume record, 8-digit BCD), a mute one at 2, and two sharing address 3,
// whose garbled answers leave that address unread; a short restart after IP-SETUP.
const char* kBus = R"({"baud": 2400, "config": {"mac": "00-20-4A-00-00-07", "faults": {"restartMs": 200}},
    "meters": [{"address": 1, "id": "12345675", "manufacturer": "ABB", "version": 5, "medium": 12,
                "records": [{"dif": "0C", "vif": "13", "value": 1234567}]},
               {"address": 2, "id": "12345676", "answersReqUd2": false},
               {"address": 3, "id": "12340001"}, {"address": 3, "id": "12340002"}]})";

class SiteCommandTest : public ::testing::Test, protected GatewayUnderTest {
protected:
    void SetUp() override
    {
        EndpointOptions endpoints;
        endpoints.udpPort = 0;
        endpoints.tcpPort = std::nullopt;
        endpoints.configPort = 0;
        ASSERT_NO_FATAL_FAILURE(StartGateway(kBus, endpoints));
        QFile ini(dir.filePath(QStringLiteral("Ostrand.INI")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[IP]\r\nBusDelay=0\r\nUDPTimeOut=1000\r\n[Search]\r\nCollisionPrimDelay=0\r\n");
    }

    QTemporaryDir dir;
};

// The line speed given, or read from the record at the configuration port
// discovery found.
class SiteLineSpeedTest : public SiteCommandTest, public ::testing::WithParamInterface<QStringList> {};

TEST_P(SiteLineSpeedTest, FindsSetsScansAndReadsTheSiteIntoOneDocument)
{
    const QString config = QStringLiteral("127.0.0.1:%1").arg(gateway->ConfigPort());
    const CliRun run = RunCli(QStringList{"site", "--json", "--target", config, "--scan-timeout", "300", "--ip",
                                          "127.0.0.1", "--mask", "255.0.0.0", "--gateway", "0.0.0.0", "--broadcast",
                                          config, "--data-port", QString::number(gateway->UdpPort()), "--first", "0",
                                          "--last", "4", "--bus-timeout", "500"}
                                  + GetParam(),
                              dir.path());
    EXPECT_EQ(run.status, 1) << run.err.toStdString(); // addresses 2 and 3 stayed unread
    ASSERT_EQ(run.lines.size(), 1) << run.out.toStdString();
    const QJsonObject document = QJsonDocument::fromJson(run.lines[0].toUtf8()).object();
    EXPECT_FALSE(document["ok"].toBool());
    EXPECT_EQ(document["error"].toString(), "2 of the 3 meters found could not be read");
    EXPECT_EQ(document["gateway"]["gateway"].toString(), "127.0.0.1");
    EXPECT_EQ(document["gateway"]["mac"].toString(), "00-20-4A-00-00-07");
    EXPECT_EQ(document["gateway"]["family"].toString(), "Aspen");
    EXPECT_EQ(document["address"]["result"].toString(), "assigned");
    EXPECT_EQ(document["scan"]["probes"].toInt(), 5);
    EXPECT_EQ(document["scan"]["read"].toInt(), 1);
    EXPECT_TRUE(document["scan"]["fast"].toBool());
    EXPECT_EQ(document["scan"]["line_speed"].toInt(), 2400);
    EXPECT_EQ(document["meters_found"].toInt(), 3);
    EXPECT_EQ(document["meters_read"].toInt(), 1);
    // the scan's REQ_UD2 alone: its reply is the meter's data, its silence is not waited for again
    EXPECT_EQ(frames.count(ShortFrame(mbus::kReqUd2, 1)), 1);
    EXPECT_EQ(frames.count(ShortFrame(mbus::kReqUd2, 2)), 1);
    EXPECT_EQ(frames.count(ShortFrame(mbus::kReqUd2, 3)), 0);

    const QJsonArray meters = document["meters"].toArray();
    ASSERT_EQ(meters.size(), 3);
    EXPECT_EQ(meters[0]["address"].toInt(), 1);
    EXPECT_EQ(meters[0]["id"].toString(), "12345675");
    const QJsonArray records = meters[0]["records"].toArray();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0]["value"].toString(), "1234.567"); // BCD 01234567 at 10^-3 m3
    EXPECT_EQ(records[0]["unit"].toString(), QStringLiteral("m\u00B3"));
    EXPECT_EQ(meters[1]["error"].toString(), "meter 2 did not answer the scan's REQ_UD2");
    EXPECT_EQ(meters[2]["error"].toString(), "collision at address 3: more than one meter answers there");
}

INSTANTIATE_TEST_SUITE_P(Site, SiteLineSpeedTest,
                         ::testing::Values(QStringList{"--line-speed", "2400"}, QStringList{}));

// Without discovery the record is looked for at 30718; where it cannot be
// read, the failure names the option site takes.
TEST_F(SiteCommandTest, AnUnreadableRecordAsksForTheLineSpeed)
{
    const CliRun run = RunCli({"site", "--udp", QStringLiteral("127.0.0.1:%1").arg(gateway->UdpPort())}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.trimmed().endsWith(": give --line-speed")) << run.err.toStdString();
}

// Ctrl-C during the scan: the site stops there and says why, instead of
// reading the meters found so far as if the scan had ended.
TEST_F(SiteCommandTest, AnInterruptedSiteSaysSo)
{
    const CliRun run = RunCli({"site", "--udp", QStringLiteral("127.0.0.1:%1").arg(gateway->UdpPort()), "--line-speed",
                               "2400", "--bus-timeout", "500"},
                              dir.path(), std::chrono::milliseconds(60000), std::chrono::milliseconds(3000));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("the site was interrupted")) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("meters_found=")) << run.out.toStdString();
}

} // namespace
