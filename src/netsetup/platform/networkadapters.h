#pragma once

#include <QList>
#include <QString>

// A local network adapter the discovery can send through.
struct NetworkAdapter {
    QString ip;          // its first IPv4 address
    QString description; // what the system calls it
};

// The adapters that are up, not loopback, and have an IPv4 address, in the
// system's order.
QList<NetworkAdapter> ListNetworkAdapters();
