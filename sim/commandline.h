#pragma once

#include "bus.h"
#include "simulatedgateway.h"

#include <QCommandLineParser>
#include <QString>
#include <optional>

// What ostrand-sim was asked to do.
struct SimCommandLine {
    QString busPath; // empty: the built-in bus of three meters
    EndpointOptions endpoints;
    std::optional<bool> instantTiming;     // overrides the bus file
    std::optional<CollisionMode> collision; // overrides the bus file
};

struct SimCommandLineResult {
    std::optional<SimCommandLine> commandLine;
    QString error; // a usage error
};

void AddSimOptions(QCommandLineParser& parser);
SimCommandLineResult ReadSimOptions(const QCommandLineParser& parser);

// The bus file (or the built-in bus) with the command line's overrides.
BusConfigResult BusFor(const SimCommandLine& commandLine);
