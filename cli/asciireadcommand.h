#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <variant>

class CliSession;

// ascii-read: one item through the gateway's ASCII protocol.
CommandOptions AsciiReadOptions();

// Checks the arguments and opens the transport; the read to run (once or
// repeatedly, the sequence number going on), or the failure.
std::variant<std::function<CliResult()>, CliResult> PrepareAsciiRead(CliSession& session);
