#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <variant>

class CliSession;

// The meter operations that the meter acknowledges or not: initialise,
// change the primary address or the bus speed, reset the application.
CommandOptions MBusInitOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareMBusInit(CliSession& session);

CommandOptions MBusSetAddressOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareMBusSetAddress(CliSession& session);

CommandOptions MBusSetSpeedOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareMBusSetSpeed(CliSession& session);

CommandOptions MBusAppResetOptions();
std::variant<std::function<CliResult()>, CliResult> PrepareMBusAppReset(CliSession& session);
