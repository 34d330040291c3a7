// The meter commands of ostrand-cli as a script uses them: child processes
// against the simulated gateway, one test per command path.
#include "clirunner.h"
#include "gatewayslave.h"
#include "simulatedgateway.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class MeterCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        EndpointOptions options;
        options.udpPort = 0;
        options.tcpPort = std::nullopt;
        QString error;
        ASSERT_TRUE(gateway.Start(options, &error)) << error.toStdString();
    }

    // The command with the gateway over UDP and a short reply timeout.
    CliRun Cli(QStringList arguments)
    {
        arguments.insert(1, QStringLiteral("--udp"));
        arguments.insert(2, QStringLiteral("127.0.0.1:%1").arg(gateway.UdpPort()));
        arguments << QStringLiteral("--bus-timeout") << QStringLiteral("500") << QStringLiteral("--bus-delay")
                  << QStringLiteral("0");
        return RunCli(std::move(arguments), dir.path());
    }

    static BusConfig Bus()
    {
        BusConfig bus = DefaultBusConfig(); // 1: 12345678 SIM, 2: 12345679 SIM, 3: 23456789 KVX
        bus.meters.append(GatewaySlave({250, 0x20240001, 365, 180, 2400}));
        MeterConfig mute; // takes what it is sent, but is never read
        mute.address = 6;
        mute.id = 0x66600006;
        mute.answersReqUd2 = false;
        bus.meters.append(mute);
        return bus;
    }

    QTemporaryDir dir; // an empty program folder: INI defaults, the texts from beside the program
    SimulatedGateway gateway{Bus()};
};

QString Out(const CliRun& run)
{
    return run.out.trimmed();
}

} // namespace

TEST_F(MeterCommandsTest, InitAcknowledgedOrNot)
{
    const CliRun ok = Cli({QStringLiteral("mbus-init"), QStringLiteral("1")});
    EXPECT_EQ(ok.status, 0) << ok.err.toStdString();
    EXPECT_EQ(Out(ok), "address=1 acknowledged=yes message=\"Initialising the meter (SND_NKE)... The meter acknowledged.\"");

    const CliRun silent = Cli({QStringLiteral("mbus-init"), QStringLiteral("200")});
    EXPECT_EQ(silent.status, 1);
    EXPECT_TRUE(silent.err.contains(QStringLiteral("meter 200 did not acknowledge SND_NKE"))) << silent.err.toStdString();
}

TEST_F(MeterCommandsTest, IdentifyByPrimaryAddress)
{
    const CliRun run = Cli({QStringLiteral("mbus-identify"), QStringLiteral("1")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(Out(run), "address=1 id=12345678 manufacturer=4D2D letters=SIM version=01 medium=07");
}

TEST_F(MeterCommandsTest, IdentifyDiagnosticsOfTheBirchV2Gateway)
{
    const CliRun run = Cli({QStringLiteral("--json"), QStringLiteral("mbus-identify"), QStringLiteral("250"),
                            QStringLiteral("--diagnostics")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(result.value(QStringLiteral("letters")).toString(), "KVX");
    EXPECT_EQ(result.value(QStringLiteral("version")).toString(), "02");
    EXPECT_EQ(result.value(QStringLiteral("bus_voltage_v")).toDouble(), 36.5);
    EXPECT_EQ(result.value(QStringLiteral("bus_current_ma")).toDouble(), 18.0);
}

TEST_F(MeterCommandsTest, IdentifyBySecondaryAddressWithWildcards)
{
    const CliRun run = Cli({QStringLiteral("mbus-identify"), QStringLiteral("--secondary"), QStringLiteral("234567**,KVX")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(Out(run), "address=3 id=23456789 manufacturer=2ED8 letters=KVX version=01 medium=04");

    const CliRun nobody = Cli({QStringLiteral("mbus-identify"), QStringLiteral("--secondary"), QStringLiteral("99999998")});
    EXPECT_EQ(nobody.status, 1);
    EXPECT_TRUE(nobody.err.contains(QStringLiteral("no meter answered the selection of 99999998.FFFF.FF.FF")))
        << nobody.err.toStdString();
}

TEST_F(MeterCommandsTest, ReadPrintsTheRecordsAsATable)
{
    const CliRun run = Cli({QStringLiteral("mbus-read"), QStringLiteral("2")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    // volume 12345 + 2 litres as 8 BCD digits, the due date as type G (storage 1)
    EXPECT_EQ(run.lines, QStringList({"address=2 id=12345679 manufacturer=4D2D letters=SIM version=01 medium=07",
                                      "storage tariff subunit function description value unit",
                                      "0 0 0 Instantaneous Volume 12.347 m³",
                                      "1 0 0 Instantaneous Date 2024-12-31 -"}));
}

TEST_F(MeterCommandsTest, ReadAsJsonBySecondaryAddress)
{
    const CliRun run = Cli({QStringLiteral("--json"), QStringLiteral("mbus-read"), QStringLiteral("--secondary"),
                            QStringLiteral("2024000F")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject result = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(result.value(QStringLiteral("address")).toInt(), 250);
    EXPECT_EQ(result.value(QStringLiteral("id")).toString(), "20240001");
    const QJsonArray records = result.value(QStringLiteral("records")).toArray();
    ASSERT_EQ(records.size(), 3);
    const QJsonObject voltage = records[1].toObject();
    EXPECT_EQ(voltage.value(QStringLiteral("storage")).toInt(), 0);
    EXPECT_EQ(voltage.value(QStringLiteral("function")).toString(), "Instantaneous");
    EXPECT_EQ(voltage.value(QStringLiteral("description")).toString(), "Voltage");
    EXPECT_EQ(voltage.value(QStringLiteral("value")).toString(), "36.5");
    EXPECT_EQ(voltage.value(QStringLiteral("unit")).toString(), "V");
    EXPECT_EQ(records[2].toObject().value(QStringLiteral("unit")).toString(), "mA");
}

TEST_F(MeterCommandsTest, SetAddressThenTheMeterAnswersThere)
{
    const CliRun run = Cli({QStringLiteral("mbus-set-address"), QStringLiteral("2"), QStringLiteral("7")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(Out(run).startsWith(QStringLiteral("address=2 acknowledged=yes message="))) << run.out.toStdString();
    EXPECT_TRUE(Out(run).endsWith(QStringLiteral(" new_address=7")));
    EXPECT_TRUE(Cli({QStringLiteral("mbus-identify"), QStringLiteral("7")}).out.contains(QStringLiteral("id=12345679")));

    EXPECT_EQ(Cli({QStringLiteral("mbus-set-address"), QStringLiteral("2"), QStringLiteral("251")}).status, 2);
}

TEST_F(MeterCommandsTest, SetAddressBySecondaryAddressReadsTheMeterThere)
{
    const struct {
        QStringList arguments;
        int status;
        const char* says;
    } rows[] = {
        {{"mbus-set-address", "--secondary", "12345679 4D2D 01 07", "7"}, 0,
         "address=253 secondary=12345679.4D2D.01.07 acknowledged=yes answers=yes message="},
        {{"mbus-set-address", "--secondary", "66600006.FFFF.FF.FF", "8"}, 1, // as the messages print it
         "meter 66600006.FFFF.FF.FF took the new address 8 but does not answer there"},
        {{"mbus-set-address", "--secondary", "99999998", "8"}, 1,
         "no single meter answered the selection of 99999998.FFFF.FF.FF, so nothing more was sent"},
        {{"mbus-set-address", "--secondary", "1234567*", "8"}, 2, "whole identification number"},
        {{"mbus-set-address", "--secondary", "12345678", "8", "--always-init"}, 2, "leave out --always-init"},
        {{"mbus-set-address", "--secondary", "12345678", "251"}, 2, "from 0 to 250"},
        {{"mbus-set-address", "--secondary", "12345678", "1", "8"}, 2, "or --secondary ID, and nothing more"},
    };
    for (const auto& row : rows) {
        const CliRun run = Cli(row.arguments);
        EXPECT_EQ(run.status, row.status) << row.says << ": " << run.err.toStdString();
        EXPECT_TRUE((run.out + run.err).contains(QString::fromUtf8(row.says))) << run.out.toStdString() << run.err.toStdString();
    }
    EXPECT_TRUE(Cli({QStringLiteral("mbus-identify"), QStringLiteral("7")}).out.contains(QStringLiteral("id=12345679")));
}

TEST_F(MeterCommandsTest, ChangesForEveryMeterOnlyWhenAskedFor)
{
    for (const QStringList& change : {QStringList{"mbus-set-address", "254", "9"}, QStringList{"mbus-set-speed", "255", "300"},
                                      QStringList{"mbus-app-reset", "255"}}) {
        const CliRun refused = Cli(change);
        EXPECT_EQ(refused.status, 2) << change.join(u' ').toStdString();
        EXPECT_TRUE(refused.err.contains(QStringLiteral("--all-meters"))) << refused.err.toStdString();
    }
    EXPECT_EQ(Cli({QStringLiteral("mbus-init"), QStringLiteral("1")}).status, 0) << "nothing changed";

    // 254: meters 1, 2, 3 and 250 answer at once
    const CliRun collided = Cli({QStringLiteral("mbus-set-speed"), QStringLiteral("254"), QStringLiteral("2400"),
                                 QStringLiteral("--all-meters")});
    EXPECT_EQ(collided.status, 1);
    EXPECT_TRUE(collided.err.contains(QStringLiteral("more than one meter answered the new speed at address 254: "
                                                     "every meter may have changed")))
        << collided.err.toStdString();

    const CliRun everyone = Cli({QStringLiteral("mbus-set-address"), QStringLiteral("255"), QStringLiteral("9"),
                                 QStringLiteral("--all-meters")});
    EXPECT_EQ(everyone.status, 0) << everyone.err.toStdString();
    EXPECT_TRUE(Out(everyone).startsWith(QStringLiteral("address=255 acknowledged=no sent=yes message="))) << everyone.out.toStdString();
}

TEST_F(MeterCommandsTest, SetSpeedTakesOnlyBusSpeeds)
{
    const CliRun run = Cli({QStringLiteral("mbus-set-speed"), QStringLiteral("3"), QStringLiteral("9600")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(Out(run).endsWith(QStringLiteral(" baud=9600"))) << run.out.toStdString();
    // the meter now listens at 9600 baud: silent on the 2400 baud bus
    EXPECT_EQ(Cli({QStringLiteral("mbus-init"), QStringLiteral("3")}).status, 1);

    const CliRun odd = Cli({QStringLiteral("mbus-set-speed"), QStringLiteral("3"), QStringLiteral("19200")});
    EXPECT_EQ(odd.status, 2);
    EXPECT_TRUE(odd.err.contains(QStringLiteral("300, 600, 1200, 2400, 4800, 9600")));
}

TEST_F(MeterCommandsTest, AppResetWithASubcode)
{
    const CliRun run = Cli({QStringLiteral("mbus-app-reset"), QStringLiteral("1"), QStringLiteral("--subcode"), QStringLiteral("3")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(Out(run), "address=1 acknowledged=yes message=\"Resetting the application of the meter... The meter acknowledged.\"");

    EXPECT_EQ(Cli({QStringLiteral("mbus-app-reset"), QStringLiteral("1"), QStringLiteral("--subcode"), QStringLiteral("16")}).status, 2);
    EXPECT_EQ(Cli({QStringLiteral("mbus-app-reset"), QStringLiteral("256")}).status, 2);
}
