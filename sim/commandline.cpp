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
        {QStringLiteral("pty-link"), QStringLiteral("Make a symbolic link PATH to the pseudo-terminal (implies --pty)."),
         QStringLiteral("PATH")},
        {QStringLiteral("timing"), QStringLiteral("instant, or line: bus time from the baud rate (default: the bus file's, else instant)."),
         QStringLiteral("MODE")},
        {QStringLiteral("collision"), QStringLiteral("garble, or ack-merge: several E5h arrive as one (default: the bus file's, else garble)."),
         QStringLiteral("MODE")},
        {QStringLiteral("trace"), QStringLiteral("Write every frame received and sent to FILE."), QStringLiteral("FILE")},
    });
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
    if (!error.isEmpty())
        return {std::nullopt, error};
    endpoints.ptyLink = parser.value(QStringLiteral("pty-link"));
    endpoints.pty = parser.isSet(QStringLiteral("pty")) || !endpoints.ptyLink.isEmpty();
    endpoints.tracePath = parser.value(QStringLiteral("trace"));
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
    if (!endpoints.udpPort && !endpoints.tcpPort && !endpoints.pty)
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
    return result;
}
