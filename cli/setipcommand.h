#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <variant>

class CliSession;

// set-ip: gives a gateway its address, over the network by its MAC address
// (IP-SETUP, then mask and gateway into its record 0) or over --serial in
// the setup mode; --dhcp switches it to DHCP.
CommandOptions SetIpOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareSetIp(CliSession& session);
