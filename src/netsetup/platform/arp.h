#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>

class DeviceOperations;

// Resolves an IPv4 address to its MAC address the way the device list checks
// that a gateway can be reached from this computer: the kernel is made to ask
// (one datagram to the address's discard port), then its neighbour table is
// read. True only for a complete entry with a non-zero MAC, which is then
// given as six hex pairs joined by the separator.
//
// Needs no privileges. Only an address the kernel reaches directly on a
// local network can resolve (the routing table is asked first): loopback,
// broadcast, multicast, unreadable addresses and those behind a router or
// without a route fail at once; an on-link address that does not answer
// fails after the wait (a wait of the operations when they are given).
bool GetMacByArp(const QString& ipText, QString& mac, const QString& separator = QStringLiteral("-"),
                 std::chrono::milliseconds wait = std::chrono::milliseconds(1000),
                 DeviceOperations* operations = nullptr);

// A gateway that answers ARP, for the device list.
bool ReachableByArp(const QString& ipText, DeviceOperations* operations = nullptr);

// One address's entry in the kernel's ARP table (the text of /proc/net/arp).
struct ArpEntry {
    QByteArray mac;        // six bytes
    bool complete = false; // resolved, not still asking or failed
};
// A complete entry wins over others for the same address; nothing when the
// table has no entry for it.
std::optional<ArpEntry> FindArpEntry(const QByteArray& table, const QString& ipText);
