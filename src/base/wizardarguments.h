#pragma once

#include <QStringList>

// "/DEBUG" as an argument of its own, in any letter case, asks for the
// communication log window at start. Only a whole argument counts: a folder
// such as ".../build/debug" given to --app-dir is not the switch.
bool DebugWindowRequested(const QStringList& arguments);

// "--demo": the gateways are simulated inside the program (demo mode).
bool DemoRequested(const QStringList& arguments);
