#pragma once

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "shell/inifile.h"
#include "shell/trafficlog.h"

#include <QTemporaryDir>
#include <chrono>

// A connection and its transactions over a program folder of the test's own,
// logging, without pacing.
struct LinkParts {
    QTemporaryDir dir;
    IniFile ini{dir.filePath(QStringLiteral("Ostrand.INI"))};
    TrafficLog log;
    DeviceOperations operations;
    Connection connection{ini, log, operations};
    Link link{connection, log};

    LinkParts()
    {
        log.SetDebugLogging(true);
        link.BusDelay = std::chrono::milliseconds(0);
    }
};
