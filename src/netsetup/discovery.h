#pragma once

#include "configprotocol.h"
#include "discoveryanswer.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <chrono>
#include <functional>

class DeviceOperations;
class IniFile;
class Language;

// Where the discovery query goes: every gateway on the LAN hears the
// broadcast on the configuration port. Tests point it at a loopback port.
struct DiscoveryTarget {
    QHostAddress address{QHostAddress::Broadcast};
    quint16 port = config::kPort;
};

struct ScanOptions {
    QString adapterIP; // the local address the query leaves from; bound when possible
    std::chrono::milliseconds scanTime{1000}; // the scan ends this long after the last answer
    DiscoveryTarget target;
    // Whether a listed gateway can be reached from here (an ARP request);
    // unset means none can.
    std::function<bool(const QString& ip)> isReachable;
    // The device operation the scan is; its own when none is given.
    DeviceOperations* operations = nullptr;
};

// One row of the device list: one answer.
struct FoundDevice {
    DiscoveryAnswer answer;
    QString key; // "MAC/type"; empty for a MAC already listed
    bool reachable = false;
    quint16 configPort = 0; // the port the answer came from: the gateway's configuration port
};

// Where a scan reports, in this order: each answer as it arrives, then each
// row's reachability. Failures of the search socket come as they happen;
// the scan goes on after them and reports what arrived.
class DiscoverySink {
public:
    virtual ~DiscoverySink() = default;
    virtual void DeviceFound(int row, const FoundDevice& device) = 0;
    virtual void DeviceChecked(int row, const FoundDevice& device) = 0;
    virtual void SendFailed(const QString& description) = 0;   // the query could not be sent
    virtual void SocketFailed(const QString& description) = 0; // the socket broke; it is closed
};

struct ScanResult {
    QList<FoundDevice> devices;
    bool unreachableSeen = false;
};

// Broadcasts the discovery query from its own UDP socket and lists every
// answer until none has come for the scan time, then checks each row's
// reachability (never for an unknown device type). Events keep running
// while it waits; a scan asked for while another operation waits finds
// nothing and reports nothing.
ScanResult ScanLanDevices(const ScanOptions& options, DiscoverySink& sink);

// The scan time from the INI file (section "IP", key "ScanTimeOut").
std::chrono::milliseconds ScanTimeFromIni(const IniFile& ini);

// What the device list page says after a scan: text 189 when nothing
// answered, otherwise the count and text 190, text 191 when a gateway was
// not reachable, and text 192.
QString ScanSummaryText(const Language& language, const ScanResult& result);
