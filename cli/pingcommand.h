#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <variant>

class CliSession;

// ping: the wizard's reachability test, one line per echo and the summary.
CommandOptions PingOptions();
std::variant<std::function<CliResult()>, CliResult> PreparePing(CliSession& session);
