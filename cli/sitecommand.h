#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <variant>

class CliSession;

// site: a whole site in one run. Finds the gateway by discovery unless the
// transport options name one, gives it its address when --ip asks for it,
// fast-scans the primary addresses and reads every meter found, then
// reports it all: in text section by section, with --json as one document.
CommandOptions SiteOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareSite(CliSession& session);
