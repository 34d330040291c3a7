#pragma once

#include <QByteArray>

// The simulated gateway's answer to the discovery query. Clients read only
// the MAC address at offsets 24-29; the rest is a device description:
//   0-3    00h 00h 00h F7h (the query's command byte plus one)
//   4-7    00h
//   8-9    firmware version, major and minor (01h 00h)
//   10-23  device type, ASCII "OSTRAND-SIM", padded with 00h
//   24-29  the MAC address
// Another length cuts the answer short or pads it with 00h.
QByteArray DiscoveryReply(const QByteArray& mac, int length = 30);
