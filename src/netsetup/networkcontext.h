#pragma once

#include "configsocket.h"
#include "discovery.h"
#include "pingtest.h"
#include "record.h"
#include "platform/networkadapters.h"

#include <functional>

class DeviceOperations;

// What the network pages and the search window work with besides the
// wizard's shared objects: the gateway's records, and where the LAN
// operations go. The wizard owns one and hands it to the pages that use it;
// a test or the demo points its targets at loopback.
struct NetworkContext {
    // The reachability and echo checks wait inside the operation that asks
    // (the scan, the test), so they belong to its scope.
    explicit NetworkContext(DeviceOperations& operations);
    NetworkContext(const NetworkContext&) = delete;
    NetworkContext& operator=(const NetworkContext&) = delete;

    DeviceRecords records;
    // The computer's network adapters; tests hand in their own list.
    AdapterList listAdapters = ListNetworkAdapters;
    // Where the device list's discovery query goes, whether a listed gateway
    // answers ARP, and one echo request of the ping test.
    DiscoveryTarget discoveryTarget{};
    std::function<bool(const QString& ip)> isReachable;
    Pinger pingOnce;
    // Where configuration datagrams go: the gateways' port and the address
    // IP-SETUP is broadcast to.
    ConfigTarget configTarget{};
};
