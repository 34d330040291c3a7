#pragma once

#include "base/inifile.h"
#include "base/language.h"
#include "base/settings.h"
#include "base/trafficlog.h"
#include "base/wizardstate.h"
#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/fcbstate.h"
#include "comm/link.h"

// The long-lived objects every page of the wizard works with. main() creates
// them once; a test creates its own set. What only one subsystem's pages need
// is owned beside them and handed to those pages.
struct WizardContext {
    Settings& settings;
    IniFile& ini;
    Language& language;
    WizardState& state;
    TrafficLog& log;
    DeviceOperations& operations; // the one device operation at a time
    Connection& connection; // the gateway connection of the M-Bus, Modbus and ASCII pages
    Link& link;
    FcbState& fcb; // the meters' frame count bits, for the whole run
    QString appPath; // the program folder, ending in a separator
};
