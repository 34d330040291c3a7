#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include "netsetup/ipassignment.h"
#include "netsetup/recordtransfer.h"

#include <chrono>
#include <optional>

#include <functional>
#include <variant>

class CliSession;

// set-ip: gives a gateway its address, over the network by its MAC address
// (IP-SETUP, then mask and gateway into its record 0) or over --serial in
// the setup mode; --dhcp switches it to DHCP.
CommandOptions SetIpOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareSetIp(CliSession& session);

// What set-ip is asked to do.
struct SetIpRequest {
    QString mac;
    SetupPort serialPort;
    bool serial = false;
    QString ip;
    QString mask;
    QString gateway;
    ConfigTarget target;
    QString adapterIP;
    std::chrono::milliseconds promptTimeout {0};
};

// The address options set-ip shares with site (--ip, --mask, --gateway,
// --dhcp, --broadcast; --adapter too, which each names with its own
// options), read into the request; a usage failure.
QList<QCommandLineOption> AddressOptions();
std::optional<CliResult> ReadAddressOptions(CliSession& session, SetIpRequest& request);
// Gives the gateway its address as set-ip does: the result to report.
CliResult AssignAddress(CliSession& session, const SetIpRequest& request);
