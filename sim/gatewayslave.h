#pragma once

#include "meter.h"

// A Birch V2 gateway answers on its own M-Bus as a slave of its own: maker
// "KVX", version 02, medium 0Eh (bus/system component). Its reply to REQ_UD2
// carries the fabrication number, the bus voltage and the bus current, so
// that the voltage lies at frame positions 29-30 and the current at 34-35
// (from 1 at the first 68h), each a 16-bit value in tenths (of a volt, of a
// milliampere), least significant byte first.
struct GatewaySlaveConfig {
    quint8 address = 250;
    quint32 fabricationNumber = 0; // BCD, as the identification number
    int voltageTenths = 365;       // 36.5 V
    int currentTenths = 0;         // mA / 10
    int baud = 2400;
};

MeterConfig GatewaySlave(const GatewaySlaveConfig& config);
