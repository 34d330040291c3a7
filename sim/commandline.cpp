#include "commandline.h"

namespace {

std::optional<quint16> Port(const QCommandLineParser& parser, const QString& name, QString& error)
{
    bool ok = false;
    const uint port = parser.value(name).toUInt(&ok);
    if (!ok || port > 65535) {
        error = QStringLiteral("--%1: a port number 0-65535 is needed (0 picks a free port)").arg(name);
        return std::nullopt;
    }
    return static_cast<quint16>(port);
}

std::optional<int> Number(const QCommandLineParser& parser, const QString& name, int max, QString& error)
{
    if (!parser.isSet(name))
        return std::nullopt;
    bool ok = false;
    const int number = parser.value(name).toInt(&ok);
    if (!ok || number < 0 || number > max) {
        error = QStringLiteral("--%1: a number 0-%2 is needed").arg(name).arg(max);
        return std::nullopt;
    }
    return number;
}

std::optional<std::chrono::milliseconds> Milliseconds(const QCommandLineParser& parser, const QString& name,
                                                      QString& error)
{
    const std::optional<int> number = Number(parser, name, 600000, error);
    return number ? std::optional<std::chrono::milliseconds>(*number) : std::nullopt;
}

std::optional<QHostAddress> Address(const QCommandLineParser& parser, const QString& name, QString& error)
{
    if (!parser.isSet(name))
        return std::nullopt;
    const std::optional<QHostAddress> address = ParseIPv4(parser.value(name));
    if (!address)
        error = QStringLiteral("--%1: a dotted IPv4 address is needed, not %2").arg(name, parser.value(name));
    return address;
}

QString ReadConfigOptions(const QCommandLineParser& parser, ConfigOverrides& config)
{
    QString error;
    if (parser.isSet(QStringLiteral("mac"))) {
        config.mac = ParseMac(parser.value(QStringLiteral("mac")));
        if (!config.mac)
            return QStringLiteral("--mac: six hexadecimal pairs joined by \"-\" are needed, not %1")
                .arg(parser.value(QStringLiteral("mac")));
    }
    if (parser.isSet(QStringLiteral("config-port")))
        config.port = Port(parser, QStringLiteral("config-port"), error);
    config.ip = Address(parser, QStringLiteral("ip"), error);
    config.mask = Address(parser, QStringLiteral("mask"), error);
    config.gateway = Address(parser, QStringLiteral("gateway"), error);
    if (parser.isSet(QStringLiteral("dhcp-pool"))) {
        config.dhcpPool = ParseAddressPool(parser.value(QStringLiteral("dhcp-pool")));
        if (!config.dhcpPool)
            error = QStringLiteral("--dhcp-pool: FIRST-LAST with FIRST not above LAST is needed");
    }
    config.answerLength = Number(parser, QStringLiteral("answer-length"), 1024, error);
    config.truncateRecord = Number(parser, QStringLiteral("truncate-record"), 126, error);
    config.restartTime = Milliseconds(parser, QStringLiteral("restart-ms"), error);
    config.promptDelay = Milliseconds(parser, QStringLiteral("prompt-delay-ms"), error);
    config.silent = parser.isSet(QStringLiteral("config-silent"));
    config.wrongAck = parser.isSet(QStringLiteral("config-wrong-ack"));
    config.noPrompt = parser.isSet(QStringLiteral("no-prompt"));
    config.onAddressChange = parser.value(QStringLiteral("on-address-change"));
    return error;
}

void ApplyConfigOverrides(const ConfigOverrides& overrides, ConfigSettings& config)
{
    config.mac = overrides.mac.value_or(config.mac);
    config.port = overrides.port.value_or(config.port);
    if (overrides.ip)
        config.ip = overrides.ip;
    config.mask = overrides.mask.value_or(config.mask);
    config.gateway = overrides.gateway.value_or(config.gateway);
    if (overrides.dhcpPool)
        config.dhcpPool = overrides.dhcpPool;
    config.answerLength = overrides.answerLength.value_or(config.answerLength);
    config.promptDelay = overrides.promptDelay.value_or(config.promptDelay);
    if (!overrides.onAddressChange.isEmpty())
        config.onAddressChange = overrides.onAddressChange;
    ConfigFaults& faults = config.faults;
    faults.restartTime = overrides.restartTime.value_or(faults.restartTime);
    faults.truncateRecord = overrides.truncateRecord.value_or(faults.truncateRecord);
    faults.silent = faults.silent || overrides.silent;
    faults.wrongAck = faults.wrongAck || overrides.wrongAck;
    faults.noPrompt = faults.noPrompt || overrides.noPrompt;
}

} // namespace

void AddSimOptions(QCommandLineParser& parser)
{
    parser.addOptions({
        {QStringLiteral("bus"), QStringLiteral("Meters and options from the JSON bus FILE (default: three built-in meters)."),
         QStringLiteral("FILE")},
        {QStringLiteral("udp-port"), QStringLiteral("UDP port of the transparent port (default 10001); 0 picks a free one."),
         QStringLiteral("N"), QStringLiteral("10001")},
        {QStringLiteral("tcp-port"), QStringLiteral("TCP port of the transparent port (default 10001); 0 picks a free one."),
         QStringLiteral("N"), QStringLiteral("10001")},
        {QStringLiteral("no-udp"), QStringLiteral("Open no UDP endpoint.")},
        {QStringLiteral("no-tcp"), QStringLiteral("Open no TCP endpoint.")},
        {QStringLiteral("bind"), QStringLiteral("Address to listen on (default 127.0.0.1)."), QStringLiteral("ADDR"),
         QStringLiteral("127.0.0.1")},
        {QStringLiteral("pty"), QStringLiteral("Create a pseudo-terminal as serial line to the bus.")},
        {QStringLiteral("modbus"), QStringLiteral("The transparent port answers Modbus RTU and TCP requests from the bus file's register map instead of M-Bus.")},
        {QStringLiteral("pty-link"), QStringLiteral("Make a symbolic link PATH to the pseudo-terminal (implies --pty)."),
         QStringLiteral("PATH")},
        {QStringLiteral("timing"), QStringLiteral("instant, or line: bus time from the baud rate (default: the bus file's, else instant)."),
         QStringLiteral("MODE")},
        {QStringLiteral("collision"), QStringLiteral("garble, or ack-merge: several E5h arrive as one (default: the bus file's, else garble)."),
         QStringLiteral("MODE")},
        {QStringLiteral("trace"), QStringLiteral("Write every frame and configuration datagram received and sent to FILE."),
         QStringLiteral("FILE")},
        {QStringLiteral("mac"), QStringLiteral("The gateway's MAC address; its prefix gives the family (default 00-20-4A-00-00-01)."),
         QStringLiteral("MAC")},
        {QStringLiteral("config-port"), QStringLiteral("UDP configuration port (default 30718); 0 picks a free one."),
         QStringLiteral("N")},
        {QStringLiteral("no-config"), QStringLiteral("Open no configuration port.")},
        {QStringLiteral("ip"), QStringLiteral("Record 0's IP address at start (default: the --bind address; 0.0.0.0: DHCP)."),
         QStringLiteral("ADDR")},
        {QStringLiteral("mask"), QStringLiteral("Record 0's network mask at start (default 255.255.255.0)."), QStringLiteral("MASK")},
        {QStringLiteral("gateway"), QStringLiteral("Record 0's default gateway at start (default 0.0.0.0)."), QStringLiteral("ADDR")},
        {QStringLiteral("dhcp-pool"), QStringLiteral("Addresses DHCP hands out, in turn (default: the one after the current)."),
         QStringLiteral("FIRST-LAST")},
        {QStringLiteral("on-address-change"),
         QStringLiteral("Run CMD NEW-ADDRESS PREFIX-LENGTH OLD-ADDRESS when a restart moved the gateway's address."),
         QStringLiteral("CMD")},
        {QStringLiteral("answer-length"), QStringLiteral("Length of the discovery answer (default 30)."), QStringLiteral("N")},
        {QStringLiteral("restart-ms"), QStringLiteral("How long a restart keeps the gateway deaf (default 2000)."), QStringLiteral("MS")},
        {QStringLiteral("prompt-delay-ms"), QStringLiteral("Delay before each answer of the setup mode (default 100)."),
         QStringLiteral("MS")},
        {QStringLiteral("config-silent"), QStringLiteral("The configuration port answers nothing.")},
        {QStringLiteral("config-wrong-ack"), QStringLiteral("Acknowledge writes with the wrong record number (\"9>\" over the cable).")},
        {QStringLiteral("truncate-record"), QStringLiteral("Cut N bytes off every record read."), QStringLiteral("N")},
        {QStringLiteral("no-prompt"), QStringLiteral("The serial setup mode never answers.")},
        {QStringLiteral("ascii-udp-port"), QStringLiteral("Open the ASCII protocol front end on UDP port N (0 picks a free one)."),
         QStringLiteral("N")},
        {QStringLiteral("ascii-tcp-port"), QStringLiteral("Open the ASCII protocol front end on TCP port N (0 picks a free one)."),
         QStringLiteral("N")},
    });
    AddNetFaultOptions(parser);
}

SimCommandLineResult ReadSimOptions(const QCommandLineParser& parser)
{
    SimCommandLine commandLine;
    QString error;
    if (!parser.positionalArguments().isEmpty())
        return {std::nullopt, QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first())};
    commandLine.busPath = parser.value(QStringLiteral("bus"));
    EndpointOptions& endpoints = commandLine.endpoints;
    if (!endpoints.bind.setAddress(parser.value(QStringLiteral("bind"))))
        return {std::nullopt, QStringLiteral("--bind: not an IP address: %1").arg(parser.value(QStringLiteral("bind")))};
    endpoints.udpPort = parser.isSet(QStringLiteral("no-udp")) ? std::nullopt : Port(parser, QStringLiteral("udp-port"), error);
    endpoints.tcpPort = parser.isSet(QStringLiteral("no-tcp")) ? std::nullopt : Port(parser, QStringLiteral("tcp-port"), error);
    if (parser.isSet(QStringLiteral("ascii-udp-port")))
        endpoints.asciiUdpPort = Port(parser, QStringLiteral("ascii-udp-port"), error);
    if (parser.isSet(QStringLiteral("ascii-tcp-port")))
        endpoints.asciiTcpPort = Port(parser, QStringLiteral("ascii-tcp-port"), error);
    if (!error.isEmpty())
        return {std::nullopt, error};
    endpoints.ptyLink = parser.value(QStringLiteral("pty-link"));
    endpoints.pty = parser.isSet(QStringLiteral("pty")) || !endpoints.ptyLink.isEmpty();
    endpoints.tracePath = parser.value(QStringLiteral("trace"));
    endpoints.modbus = parser.isSet(QStringLiteral("modbus"));
    if (parser.isSet(QStringLiteral("timing"))) {
        const QString timing = parser.value(QStringLiteral("timing"));
        if (timing != QLatin1String("instant") && timing != QLatin1String("line"))
            return {std::nullopt, QStringLiteral("--timing: instant or line, not %1").arg(timing)};
        commandLine.instantTiming = timing == QLatin1String("instant");
    }
    if (parser.isSet(QStringLiteral("collision"))) {
        const QString collision = parser.value(QStringLiteral("collision"));
        if (collision != QLatin1String("garble") && collision != QLatin1String("ack-merge"))
            return {std::nullopt, QStringLiteral("--collision: garble or ack-merge, not %1").arg(collision)};
        commandLine.collision = collision == QLatin1String("garble") ? CollisionMode::Garble : CollisionMode::AckMerge;
    }
    error = ReadNetFaultOptions(parser, commandLine.netFaults);
    if (!error.isEmpty())
        return {std::nullopt, error};
    error = ReadConfigOptions(parser, commandLine.config);
    if (!error.isEmpty())
        return {std::nullopt, error};
    commandLine.noConfig = parser.isSet(QStringLiteral("no-config"));
    if (!endpoints.udpPort && !endpoints.tcpPort && !endpoints.pty && commandLine.noConfig && !endpoints.asciiUdpPort
        && !endpoints.asciiTcpPort)
        return {std::nullopt, QStringLiteral("no endpoint left to open")};
    return {commandLine, QString()};
}

BusConfigResult BusFor(const SimCommandLine& commandLine)
{
    BusConfigResult result = commandLine.busPath.isEmpty() ? BusConfigResult{DefaultBusConfig(), QString()}
                                                           : LoadBusConfig(commandLine.busPath);
    if (!result.config)
        return result;
    if (commandLine.instantTiming)
        result.config->timing.instant = *commandLine.instantTiming;
    if (commandLine.collision)
        result.config->collision = *commandLine.collision;
    ApplyConfigOverrides(commandLine.config, result.config->config);
    return result;
}

EndpointOptions EndpointsFor(const SimCommandLine& commandLine, const BusConfig& bus)
{
    EndpointOptions endpoints = commandLine.endpoints;
    endpoints.configPort = commandLine.noConfig ? std::nullopt : std::optional<quint16>(bus.config.port);
    return endpoints;
}
