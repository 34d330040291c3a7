#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <variant>

class CliSession;

// Every command of ostrand-cli: its options and how it is prepared (checked
// and made ready to run, or a failure to report).
struct CliCommand {
    using Preparer = std::variant<std::function<CliResult()>, CliResult> (*)(CliSession&);
    CommandOptions options;
    Preparer prepare;
};

const QList<CliCommand>& CliCommands();
