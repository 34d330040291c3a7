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

// An address where the fast primary search saw a meter, and what it heard there.
struct ScannedMeter {
    enum class Heard {
        Reply,     // the whole RSP_UD to the scan's REQ_UD2, in reply
        Collision, // more than one meter answered
        Silence,   // acknowledged, but REQ_UD2 went unanswered
        Unsure,    // a reply cut short, or no REQ_UD2 sent: worth a read of its own
    };
    int address = 0;
    Heard heard = Heard::Unsure;
    QByteArray reply;
};

// The fast primary search as scan-primary --fast runs it on the open
// transport, printing no rows: its summary, and the addresses where a meter
// showed itself (answered, or a fault such as a collision). The line speed,
// unless given, is read from the gateway's record at configPort.
struct PrimaryScanOutcome {
    CliResult summary;
    QList<ScannedMeter> found;
};
PrimaryScanOutcome RunFastPrimaryScan(CliSession& session, int first, int last, std::optional<qint64> lineSpeed,
                                      quint16 configPort);
