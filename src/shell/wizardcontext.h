#pragma once

#include "inifile.h"
#include "language.h"
#include "settings.h"
#include "trafficlog.h"
#include "wizardstate.h"
#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "comm/fcbstate.h"
#include "netsetup/configsocket.h"
#include "netsetup/discovery.h"
#include "netsetup/pingtest.h"
#include "netsetup/platform/arp.h"
#include "netsetup/platform/icmpecho.h"
#include "netsetup/platform/networkadapters.h"
#include "netsetup/record.h"

#include <functional>

// The long-lived objects the wizard's pages work with. main() creates them
// once; a test creates its own set.
struct WizardContext {
    Settings& settings;
    IniFile& ini;
    Language& language;
    WizardState& state;
    DeviceRecords& records;
    TrafficLog& log;
    DeviceOperations& operations; // the one device operation at a time
    Connection& connection; // the gateway connection of the M-Bus, Modbus and ASCII pages
    Link& link;
    FcbState& fcb; // the meters' frame count bits, for the whole run
    QString appPath; // the program folder, ending in a separator
    // The computer's network adapters; tests hand in their own list.
    std::function<QList<NetworkAdapter>()> listAdapters = ListNetworkAdapters;
    // Where the device list's discovery query goes, whether a listed gateway
    // answers ARP, and one echo request of the ping test: the real network,
    // unless a test points them at loopback or hands in its own.
    DiscoveryTarget discoveryTarget{};
    std::function<bool(const QString& ip)> isReachable = ReachableByArp;
    Pinger pingOnce = [](const QString& ip) { return PingOnce(ip); };
    // Where configuration datagrams go: the gateways' port and the address
    // IP-SETUP is broadcast to; tests point them at loopback.
    ConfigTarget configTarget{};
};
