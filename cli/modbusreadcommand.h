#pragma once

#include "cliargs.h"
#include "clioutput.h"

#include <functional>
#include <variant>

class CliSession;

// modbus-read: holding or input registers of a slave behind the gateway,
// Modbus TCP or RTU framing, and up to six typed values (every word order
// side by side with --all-orders).
CommandOptions ModbusReadOptions();

std::variant<std::function<CliResult()>, CliResult> PrepareModbusRead(CliSession& session);
