#pragma once

#include "../tests/support/connectionparts.h"
#include "search/searchplan.h"
#include "base/language.h"

#include "busconfig.h"
#include "simulatedgateway.h"

#include <cstdio>
#include <optional>

// The simulator's sample bus; nothing, with the reason printed, when it
// cannot be read.
inline std::optional<BusConfig> LoadSampleBus()
{
    BusConfigResult sample = LoadBusConfig(QStringLiteral(OSTRAND_SOURCE_DIR "/sim/buses/sample-bus.json"));
    if (!sample.config)
        std::printf("%s\n", qPrintable(sample.error));
    return sample.config;
}

// The sample bus moved to another speed: every meter at the bus's speed
// moves with it; a meter with a speed of its own keeps it.
inline std::optional<BusConfig> SampleBusAt(int baud)
{
    std::optional<BusConfig> sample = LoadSampleBus();
    if (!sample)
        return std::nullopt;
    BusConfig bus = *sample;
    for (MeterConfig& meter : bus.meters) {
        if (meter.baud == bus.baud)
            meter.baud = baud;
    }
    bus.baud = baud;
    return bus;
}

// Starts the gateway with the one endpoint the transport ("udp", "tcp" or
// "pty") names and opens the connection to it; false, with the reason
// printed, when either fails.
inline bool OpenGateway(SimulatedGateway& gateway, const QString& transport, int baud, Connection& connection)
{
    EndpointOptions endpoints;
    endpoints.udpPort = transport == QLatin1String("udp") ? std::optional<quint16>(0) : std::nullopt;
    endpoints.tcpPort = transport == QLatin1String("tcp") ? std::optional<quint16>(0) : std::nullopt;
    endpoints.pty = transport == QLatin1String("pty");
    QString error;
    if (!gateway.Start(endpoints, &error)) {
        std::printf("%s: %s\n", qPrintable(transport), qPrintable(error));
        return false;
    }
    ConnectionRequest request;
    if (endpoints.pty) {
        request.serial = true;
        request.serialDevice = gateway.PtyPath();
        request.lineSettings = QStringLiteral("%1,E,8,1").arg(baud);
    } else {
        request.host = QStringLiteral("127.0.0.1");
        request.udp = endpoints.udpPort.has_value();
        request.port = request.udp ? gateway.UdpPort() : gateway.TcpPort();
    }
    if (!connection.OpenConnection(request, std::chrono::milliseconds(5000))) {
        std::printf("%s: the connection did not open\n", qPrintable(transport));
        return false;
    }
    return true;
}

// A comma-separated option's values ("--speeds 300,2400"), or the fallback's.
inline QStringList ListArgument(const QStringList& args, const char* name, const QString& fallback)
{
    const qsizetype at = args.indexOf(QString::fromLatin1(name));
    return (at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback).split(u',', Qt::SkipEmptyParts);
}

// A search's client side as the search window has it: the connection parts
// with the window's pacing, and a language.
struct SearchClient : ConnectionParts {
    Language language;

    SearchParts Parts() { return {connection, link, log, operations, language}; }
};
