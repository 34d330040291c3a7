#pragma once

#include "busconfig.h"
#include "simulatedgateway.h"

#include <QCommandLineParser>
#include <memory>
#include <vector>

// Many gateways in one process, for benchmarks of sites with hundreds of
// them on a small machine: each on an address of its own (consecutive from
// the bind address), with a MAC of its own (the configured one plus its
// number), answering on its configuration port only.
class GatewayFarm {
public:
    // Starts count gateways; on failure none stays open and error says which failed.
    bool Start(const BusConfig& bus, const EndpointOptions& first, int count, QString* error);
    // The first and the last gateway's configuration port.
    QStringList Endpoints() const;

private:
    std::vector<std::unique_ptr<SimulatedGateway>> m_Gateways;
};

void AddGatewayFarmOption(QCommandLineParser& parser);
// The number of gateways asked for: 1 without the option; 0 with a usage
// error when the count or the bind address does not allow a farm.
int GatewayFarmSize(const QCommandLineParser& parser, QString* error);
