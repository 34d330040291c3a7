#pragma once

#include "bus.h"
#include "netfaults.h"
#include "simulatedgateway.h"

#include <QCommandLineParser>
#include <QString>
#include <optional>

// The configuration side's options; each overrides the bus file.
struct ConfigOverrides {
    std::optional<QByteArray> mac;
    std::optional<quint16> port;
    std::optional<QHostAddress> ip;
    std::optional<QHostAddress> mask;
    std::optional<QHostAddress> gateway;
    std::optional<AddressPool> dhcpPool;
    std::optional<int> answerLength;
    std::optional<std::chrono::milliseconds> restartTime;
    std::optional<std::chrono::milliseconds> promptDelay;
    std::optional<int> truncateRecord;
    bool silent = false;
    bool wrongAck = false;
    bool noPrompt = false;
    QString onAddressChange;
};

// What ostrand-sim was asked to do.
struct SimCommandLine {
    QString busPath; // empty: the built-in bus of three meters
    EndpointOptions endpoints;
    std::optional<bool> instantTiming;     // overrides the bus file
    std::optional<CollisionMode> collision; // overrides the bus file
    ConfigOverrides config;
    bool noConfig = false; // no configuration port
    NetFaults netFaults;   // for every gateway of the process (ProcessNetFaults)
};

struct SimCommandLineResult {
    std::optional<SimCommandLine> commandLine;
    QString error; // a usage error
};

void AddSimOptions(QCommandLineParser& parser);
SimCommandLineResult ReadSimOptions(const QCommandLineParser& parser);

// The bus file (or the built-in bus) with the command line's overrides.
BusConfigResult BusFor(const SimCommandLine& commandLine);

// The endpoints to open: the command line's, and the configuration port
// that the bus and the command line settled on.
EndpointOptions EndpointsFor(const SimCommandLine& commandLine, const BusConfig& bus);
