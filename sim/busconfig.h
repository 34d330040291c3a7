#pragma once

#include "asciisettings.h"
#include "bus.h"
#include "configsettings.h"
#include "faults.h"
#include "linetiming.h"
#include "meter.h"
#include "modbusmap.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// A simulated bus as a bus file describes it (format in sim/README.md).
struct BusConfig {
    int baud = 2400; // the gateway's M-Bus speed
    CollisionMode collision = CollisionMode::Garble;
    LineTiming timing;
    Faults faults; // for every reply of the gateway
    QList<MeterConfig> meters;
    ConfigSettings config; // the configuration side
    ModbusMap modbus;      // the registers of the Modbus front end
    AsciiSettings ascii = DefaultAsciiSettings(); // the ASCII front end
};

// A configuration, or the reason there is none (file, place in it, what is wrong).
struct BusConfigResult {
    std::optional<BusConfig> config;
    QString error;
};

BusConfigResult LoadBusConfig(const QString& path);
BusConfigResult ParseBusConfig(const QByteArray& json, const QString& name);

// Three meters at 2400 baud, addresses 1 to 3, for a start without a bus file.
BusConfig DefaultBusConfig();

// The speeds a bus or a meter can have.
bool IsBusBaud(int baud);
