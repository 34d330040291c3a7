#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <variant>

class CliSession;

// record-read: one configuration record of a gateway, over the network
// (HOST[:PORT], default port 30718) or over --serial in the setup mode.
CommandOptions RecordReadOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareRecordRead(CliSession& session);

// record-write: reads record 0, changes the given fields, writes it back,
// and the security record when a switch is given.
CommandOptions RecordWriteOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareRecordWrite(CliSession& session);
