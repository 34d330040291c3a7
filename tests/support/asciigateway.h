#pragma once

#include "simulatedgateway.h"

#include <gtest/gtest.h>

// Starts the simulated gateway with its ASCII front end alone, over UDP and
// TCP on free ports of loopback (for tests that link the simulator).
inline void StartAsciiFrontEnd(SimulatedGateway& gateway)
{
    EndpointOptions options;
    options.udpPort.reset();
    options.tcpPort.reset();
    options.asciiUdpPort = 0;
    options.asciiTcpPort = 0;
    QString error;
    ASSERT_TRUE(gateway.Start(options, &error)) << error.toStdString();
}
