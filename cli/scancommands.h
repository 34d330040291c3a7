#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <optional>
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

// The fast primary search as scan-primary --fast runs it on the open
// transport, printing no rows: its summary, and the addresses where a meter
// showed itself (answered, or a fault such as a collision).
struct PrimaryScanOutcome {
    CliResult summary;
    QList<int> found;
};
PrimaryScanOutcome RunFastPrimaryScan(CliSession& session, int first, int last, std::optional<qint64> lineSpeed);
