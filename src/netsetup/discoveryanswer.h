#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Device type codes of the discovery answer and the LAN list.
enum DeviceType : qint16 { DeviceTypeUnknown = 0, DeviceTypeAspen = 1, DeviceTypeBirch = 2 };

// A gateway's answer to the discovery query, read from the datagram and its
// sender. Only bytes 24-29 matter (the MAC address, whose last four bytes
// also give a Birch gateway's serial number); an answer of any length is
// read, missing bytes counting as 00h.
struct DiscoveryAnswer {
    QString ip;     // the sender's address
    QString mac;    // "00-20-4A-01-02-03"
    DeviceType type = DeviceTypeUnknown;
    QString family; // "Aspen", "Birch", or empty for an unknown prefix
    std::optional<quint32> serialNumber; // Birch gateways only
};

DiscoveryAnswer ParseDiscoveryAnswer(const QByteArray& datagram, const QString& senderIp);

// The family and type code of a MAC prefix ("00-20-4A").
DeviceType DeviceTypeOfPrefix(const QString& prefix);
QString FamilyName(DeviceType type); // empty for DeviceTypeUnknown

// Bytes 26-29 as a big-endian number, halved with ties to even, then cut to
// 26 bits.
quint32 BirchSerialNumber(const QByteArray& datagram);

// The device list's row key, "MAC/type code".
QString DeviceRowKey(const QString& mac, DeviceType type);
// The type code a row stands for: the number after the "/" of its key. A
// row without a key (a MAC that answered before) has type 0, whatever its
// answer said, so its reachability and the device picked by a click on it
// agree.
qint16 RowDeviceType(const QString& key);

// Exactly six bytes as upper-case hex pairs joined by the separator; any
// other length gives an empty text.
QString FormatMac(const QByteArray& bytes, const QString& separator);
