#pragma once

#include "busconfig.h"
#include "simulatedgateway.h"
#include "base/settingkeys.h"
#include "base/settings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <gtest/gtest.h>

#include <memory>

// The simulated gateway in the test's own process, for tests that link the
// simulator.

// Starts the gateway; a failure says which endpoint could not open.
inline void StartOnLoopback(SimulatedGateway& gateway, const EndpointOptions& options)
{
    QString error;
    ASSERT_TRUE(gateway.Start(options, &error)) << error.toStdString();
}

// The transparent port over UDP, TCP and a pseudo-terminal, on free ports;
// speaking Modbus instead of M-Bus when asked.
inline EndpointOptions EveryWayIn(bool modbus = false)
{
    EndpointOptions options;
    options.udpPort = 0;
    options.tcpPort = 0;
    options.pty = true;
    options.modbus = modbus;
    return options;
}

// The simulated gateway a test talks to, on free ports of loopback, and the
// frames it received in order (not the configuration port's datagrams).
struct GatewayUnderTest {
    void StartGateway(const BusConfig& bus, const EndpointOptions& options)
    {
        gateway = std::make_unique<SimulatedGateway>(bus);
        ASSERT_NO_FATAL_FAILURE(StartOnLoopback(*gateway, options));
        QObject::connect(gateway.get(), &SimulatedGateway::Traffic,
                         [this](TrafficDirection direction, const QString& source, const QByteArray& bytes) {
                             if (direction == TrafficDirection::Received && !source.startsWith(QStringLiteral("config")))
                                 frames.append(bytes);
                         });
    }

    // The meters of a bus file's text.
    void StartGateway(const char* json, const EndpointOptions& options)
    {
        const BusConfigResult bus = ParseBusConfig(QByteArray(json), QStringLiteral("test.json"));
        ASSERT_TRUE(bus.config) << bus.error.toStdString();
        StartGateway(*bus.config, options);
    }

    QList<QByteArray> frames;
    std::unique_ptr<SimulatedGateway> gateway; // gone first, and its signals with it
};

// Starts the simulated gateway with its ASCII front end alone, over UDP and
// TCP on free ports of loopback.
inline void StartAsciiFrontEnd(SimulatedGateway& gateway)
{
    EndpointOptions options;
    options.udpPort.reset();
    options.tcpPort.reset();
    options.asciiUdpPort = 0;
    options.asciiTcpPort = 0;
    StartOnLoopback(gateway, options);
}

// The stored choice of the connection page: the gateway at this port of
// loopback, typed in.
inline void StoreLoopbackGateway(Settings& settings, quint16 port, bool udp)
{
    settings.Save(keys::Option_EnterIPAddress, 0);
    settings.Save(keys::IPAddress, QStringLiteral("127.0.0.1"));
    settings.Save(keys::TCPPort, QString::number(port));
    settings.Save(keys::UDPorTCP, udp ? 1 : 0);
}
