#pragma once

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "shell/inifile.h"
#include "shell/language.h"
#include "shell/trafficlog.h"

#include "busconfig.h"

#include <QTemporaryDir>
#include <cstdio>
#include <optional>

// The simulator's sample bus; nothing, with the reason printed, when it
// cannot be read.
inline std::optional<BusConfig> LoadSampleBus()
{
    BusConfigResult sample = LoadBusConfig(QStringLiteral(OSTRAND_SOURCE_DIR "/sim/buses/sample-bus.json"));
    if (!sample.config)
        std::printf("%s\n", qPrintable(sample.error));
    return sample.config;
}

// A search's client side as the search window has it: a connection with its
// log and transactions over a program folder of its own, and a language.
struct SearchClient {
    QTemporaryDir dir;
    IniFile ini{dir.filePath(QStringLiteral("Ostrand.INI"))};
    TrafficLog log;
    DeviceOperations operations;
    Connection connection{ini, log, operations};
    Link link{connection, log};
    Language language;
};
