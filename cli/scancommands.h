#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <variant>

class CliSession;

// scan-primary and scan-secondary: the search window's scans, one row per
// probe as the window lists them, then the summary; the CSV and text files
// the window saves. A cancel (Ctrl-C) ends the scan as Abort does: the rows
// so far, the summary and the files.
CommandOptions ScanPrimaryOptions();
CommandOptions ScanSecondaryOptions();

std::variant<std::function<CliResult()>, CliResult> PrepareScanPrimary(CliSession& session);
std::variant<std::function<CliResult()>, CliResult> PrepareScanSecondary(CliSession& session);
