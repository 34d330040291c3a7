#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include "features/featureprotocol.h"

#include <functional>
#include <variant>

class CliSession;

// mbus-identify: a meter's identification as the identify read (or, with
// --diagnostics, the diagnostics read) shows it, with a Birch V2 gateway's
// bus voltage and current.
CommandOptions MBusIdentifyOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareMBusIdentify(CliSession& session);

// mbus-read: the identification, then the meter's data records as a table
// (or one JSON object with the records in a list).
CommandOptions MBusReadOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareMBusRead(CliSession& session);

// mbus-read's read of the meter at a primary address on the open transport;
// the failure to report when it did not answer.
std::variant<IdentificationRead, CliResult> ReadMeterAt(CliSession& session, quint8 address);
// A read as mbus-read reports it. Text: the identification line and the
// records' table, printed here. JSON: the fields of one object with the
// records in a list.
CliResult RecordsResult(const IdentificationRead& read, bool json);
