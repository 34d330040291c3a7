#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>

class CliSession;

// mbus-send: one M-Bus frame, given in hex or built from C, A, CI and data,
// and the reply.
CommandOptions MBusSendOptions();

// Checks the arguments and opens the transport; the operation to run (once
// or repeatedly), or the failure.
std::variant<std::function<CliResult()>, CliResult> PrepareMBusSend(CliSession& session);
