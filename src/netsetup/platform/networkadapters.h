#pragma once

#include <QList>
#include <QString>
#include <functional>

// A local network adapter the discovery can send through.
struct NetworkAdapter {
    QString ip;          // its first IPv4 address
    QString description; // what the system calls it
};

// Where the adapters are asked for: the system, or a list a test hands in.
using AdapterList = std::function<QList<NetworkAdapter>()>;

// The adapters that are up, not loopback, and have an IPv4 address, in the
// system's order.
QList<NetworkAdapter> ListNetworkAdapters();
