#include "busconfig.h"
#include "commandline.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text));
}

QHostAddress Ip(const char* text)
{
    return QHostAddress(QString::fromLatin1(text));
}

// The "config" object of a bus file with one meter, or the error.
BusConfigResult WithConfig(const QByteArray& configJson)
{
    return ParseBusConfig(R"({"meters": [{"address": 1, "id": "1"}], "config": )" + configJson + "}",
                          QStringLiteral("bus.json"));
}

struct Parsed {
    SimCommandLineResult commandLine;
    std::optional<BusConfig> bus;
    QString error;
};

Parsed CommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    AddSimOptions(parser);
    Parsed run;
    if (!parser.parse(QStringList{QStringLiteral("ostrand-sim")} + arguments)) {
        run.error = parser.errorText();
        return run;
    }
    run.commandLine = ReadSimOptions(parser);
    if (!run.commandLine.commandLine) {
        run.error = run.commandLine.error;
        return run;
    }
    const BusConfigResult bus = BusFor(*run.commandLine.commandLine);
    run.bus = bus.config;
    run.error = bus.error;
    return run;
}

} // namespace

TEST(SimConfigSettings, WithoutAConfigKeyTheFactoryGateway)
{
    const BusConfigResult result = WithConfig("{}");
    ASSERT_TRUE(result.config) << result.error.toStdString();
    const ConfigSettings& config = result.config->config;
    EXPECT_EQ(config.mac, Hex("00204A000001"));
    EXPECT_EQ(config.port, 30718);
    EXPECT_FALSE(config.ip);
    EXPECT_EQ(config.mask, Ip("255.255.255.0"));
    EXPECT_EQ(config.answerLength, 30);
    EXPECT_EQ(config.faults, ConfigFaults{});
    EXPECT_EQ(config.faults.restartTime, std::chrono::milliseconds(2000));
}

TEST(SimConfigSettings, ReadsEveryKey)
{
    const BusConfigResult result = WithConfig(R"({
        "mac": "e8-99-5a-01-02-03", "port": 0, "ip": "10.0.0.5", "mask": "255.255.0.0", "gateway": "10.0.0.1",
        "dhcpPool": "10.0.0.100-10.0.0.110", "answerLength": 24, "promptDelayMs": 5,
        "faults": {"silent": true, "wrongAck": true, "truncateRecord": 3, "noPrompt": true, "restartMs": 15000}})");
    ASSERT_TRUE(result.config) << result.error.toStdString();
    const ConfigSettings& config = result.config->config;
    EXPECT_EQ(config.mac, Hex("E8995A010203"));
    EXPECT_EQ(config.port, 0);
    EXPECT_EQ(config.ip, Ip("10.0.0.5"));
    EXPECT_EQ(config.mask, Ip("255.255.0.0"));
    EXPECT_EQ(config.gateway, Ip("10.0.0.1"));
    ASSERT_TRUE(config.dhcpPool);
    EXPECT_EQ(config.dhcpPool->first, Ip("10.0.0.100").toIPv4Address());
    EXPECT_EQ(config.dhcpPool->last, Ip("10.0.0.110").toIPv4Address());
    EXPECT_EQ(config.answerLength, 24);
    EXPECT_EQ(config.promptDelay, std::chrono::milliseconds(5));
    EXPECT_TRUE(config.faults.silent);
    EXPECT_TRUE(config.faults.wrongAck);
    EXPECT_EQ(config.faults.truncateRecord, 3);
    EXPECT_TRUE(config.faults.noPrompt);
    EXPECT_EQ(config.faults.restartTime, std::chrono::milliseconds(15000));
}

TEST(SimConfigSettings, NamesTheBadValue)
{
    const std::pair<const char*, const char*> cases[] = {
        {R"({"mac": "00-20-4A-12-34"})", "bus.json: config.mac"},
        {R"({"mac": "00-20-4A-12-34-5G"})", "bus.json: config.mac"},
        {R"({"ip": "10.0.0"})", "bus.json: config.ip"},
        {R"({"mask": "255.255.255.256"})", "bus.json: config.mask"},
        {R"({"dhcpPool": "10.0.0.9-10.0.0.1"})", "bus.json: config.dhcpPool"},
        {R"({"port": 70000})", "bus.json: config.port"},
        {R"({"faults": {"restartMs": -1}})", "bus.json: config.faults.restartMs"},
        {R"({"faults": {"slow": true}})", "bus.json: config.faults.slow: unknown key"},
        {R"({"family": "Birch"})", "bus.json: config.family: unknown key"},
    };
    for (const auto& [json, error] : cases) {
        const BusConfigResult result = WithConfig(json);
        EXPECT_FALSE(result.config) << json;
        EXPECT_TRUE(result.error.startsWith(QLatin1String(error))) << json << " -> " << result.error.toStdString();
    }
}

TEST(SimConfigSettings, AddressTexts)
{
    EXPECT_EQ(ParseMac(QStringLiteral("00:04:25:aB:cd:EF")), Hex("000425ABCDEF"));
    EXPECT_FALSE(ParseMac(QStringLiteral("00-04-25-AB-CD-EF-01")));
    EXPECT_FALSE(ParseMac(QStringLiteral("0-04-25-AB-CD-EF")));
    EXPECT_EQ(MacText(Hex("000425ABCDEF")), QStringLiteral("00-04-25-AB-CD-EF"));
    EXPECT_EQ(ParseIPv4(QStringLiteral("0.0.0.0")), Ip("0.0.0.0"));
    EXPECT_FALSE(ParseIPv4(QStringLiteral("1.2.3")));
    EXPECT_FALSE(ParseIPv4(QStringLiteral("1.2.3.x")));
    const std::optional<AddressPool> single = ParseAddressPool(QStringLiteral("10.0.0.7"));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->first, single->last);
    EXPECT_FALSE(ParseAddressPool(QStringLiteral("10.0.0.1-10.0.0.2-10.0.0.3")));
}

TEST(SimConfigSettings, CommandLineOverridesTheBusFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bus.json"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"meters": [], "config": {"mac": "00-80-A3-00-00-01", "ip": "10.0.0.5", "answerLength": 10,
                   "faults": {"truncateRecord": 2}}})");
    file.close();

    const Parsed run = CommandLine({QStringLiteral("--bus"), path, QStringLiteral("--mac"), QStringLiteral("00-04-25-00-00-03"),
                                 QStringLiteral("--config-port"), QStringLiteral("0"), QStringLiteral("--mask"),
                                 QStringLiteral("255.0.0.0"), QStringLiteral("--gateway"), QStringLiteral("10.0.0.1"),
                                 QStringLiteral("--dhcp-pool"), QStringLiteral("10.0.0.50-10.0.0.60"),
                                 QStringLiteral("--restart-ms"), QStringLiteral("50"), QStringLiteral("--prompt-delay-ms"),
                                 QStringLiteral("7"), QStringLiteral("--config-silent"), QStringLiteral("--config-wrong-ack"),
                                 QStringLiteral("--no-prompt"), QStringLiteral("--on-address-change"),
                                 QStringLiteral("/lab/move eth0")});
    ASSERT_TRUE(run.bus) << run.error.toStdString();
    const ConfigSettings& config = run.bus->config;
    EXPECT_EQ(config.mac, Hex("000425000003"));
    EXPECT_EQ(config.port, 0);
    EXPECT_EQ(config.ip, Ip("10.0.0.5")); // from the file
    EXPECT_EQ(config.mask, Ip("255.0.0.0"));
    EXPECT_EQ(config.gateway, Ip("10.0.0.1"));
    ASSERT_TRUE(config.dhcpPool);
    EXPECT_EQ(config.dhcpPool->first, Ip("10.0.0.50").toIPv4Address());
    EXPECT_EQ(config.answerLength, 10);
    EXPECT_EQ(config.promptDelay, std::chrono::milliseconds(7));
    EXPECT_EQ(config.onAddressChange, QStringLiteral("/lab/move eth0"));
    EXPECT_TRUE(config.faults.silent);
    EXPECT_TRUE(config.faults.wrongAck);
    EXPECT_TRUE(config.faults.noPrompt);
    EXPECT_EQ(config.faults.truncateRecord, 2);
    EXPECT_EQ(config.faults.restartTime, std::chrono::milliseconds(50));
    EXPECT_EQ(EndpointsFor(*run.commandLine.commandLine, *run.bus).configPort, 0);

    const Parsed more = CommandLine({QStringLiteral("--bus"), path, QStringLiteral("--ip"), QStringLiteral("10.9.9.9"),
                                  QStringLiteral("--answer-length"), QStringLiteral("24"),
                                  QStringLiteral("--truncate-record"), QStringLiteral("0")});
    ASSERT_TRUE(more.bus) << more.error.toStdString();
    EXPECT_EQ(more.bus->config.ip, Ip("10.9.9.9"));
    EXPECT_EQ(more.bus->config.answerLength, 24);
    EXPECT_EQ(more.bus->config.faults.truncateRecord, 0);
    EXPECT_FALSE(more.bus->config.faults.silent);
}

TEST(SimConfigSettings, ConfigurationPortByDefault)
{
    const Parsed plain = CommandLine({});
    ASSERT_TRUE(plain.bus) << plain.error.toStdString();
    EXPECT_EQ(EndpointsFor(*plain.commandLine.commandLine, *plain.bus).configPort, 30718);

    const Parsed none = CommandLine({QStringLiteral("--no-config")});
    ASSERT_TRUE(none.bus) << none.error.toStdString();
    EXPECT_FALSE(EndpointsFor(*none.commandLine.commandLine, *none.bus).configPort);

    // A gateway with only its configuration side is a gateway still.
    EXPECT_TRUE(CommandLine({QStringLiteral("--no-udp"), QStringLiteral("--no-tcp")}).bus);
    const Parsed nothing = CommandLine({QStringLiteral("--no-udp"), QStringLiteral("--no-tcp"), QStringLiteral("--no-config")});
    EXPECT_FALSE(nothing.bus);
    EXPECT_EQ(nothing.error, QStringLiteral("no endpoint left to open"));
}

TEST(SimConfigSettings, CommandLineRefusesBadValues)
{
    const std::pair<QStringList, const char*> cases[] = {
        {{QStringLiteral("--mac"), QStringLiteral("00204A123456")}, "--mac"},
        {{QStringLiteral("--config-port"), QStringLiteral("65536")}, "--config-port"},
        {{QStringLiteral("--ip"), QStringLiteral("example")}, "--ip"},
        {{QStringLiteral("--dhcp-pool"), QStringLiteral("10.0.0.9-10.0.0.1")}, "--dhcp-pool"},
        {{QStringLiteral("--restart-ms"), QStringLiteral("-5")}, "--restart-ms"},
        {{QStringLiteral("--truncate-record"), QStringLiteral("500")}, "--truncate-record"},
    };
    for (const auto& [arguments, option] : cases) {
        const Parsed run = CommandLine(arguments);
        EXPECT_FALSE(run.bus) << option;
        EXPECT_TRUE(run.error.startsWith(QLatin1String(option))) << run.error.toStdString();
    }
}
