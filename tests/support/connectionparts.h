#pragma once

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "base/inifile.h"
#include "base/trafficlog.h"

#include <QTemporaryDir>

// A connection with its log and transactions over a program folder of its
// own, as the pages have it; for tests and benchmarks.
struct ConnectionParts {
    QTemporaryDir dir;
    IniFile ini{dir.filePath(QStringLiteral("Ostrand.INI"))};
    TrafficLog log;
    DeviceOperations operations;
    Connection connection{ini, log, operations};
    Link link{connection, log};
};
