#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include "netsetup/discovery.h"

#include <functional>
#include <variant>

class CliSession;

// discover: broadcasts the discovery query and lists every gateway that
// answers, as the device list page does. The hidden option --target
// HOST[:PORT] sends the query there instead of broadcasting it (tests use a
// loopback port).
CommandOptions DiscoverOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareDiscover(CliSession& session);

// The discovery options discover shares with site (--adapter, --scan-timeout,
// the hidden --target), and what they ask for.
QList<QCommandLineOption> DiscoveryOptions();
std::variant<ScanOptions, CliResult> DiscoveryOptionsOf(CliSession& session);
