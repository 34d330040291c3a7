#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonValue>
#include <QString>
#include <chrono>
#include <optional>

// Ways to make the configuration side go wrong, for tests of the client.
struct ConfigFaults {
    bool silent = false;      // the configuration port ignores every datagram
    bool wrongAck = false;    // a write is acknowledged with B0h + n + 1; over the cable "9>" instead of "0>"
    int truncateRecord = 0;   // bytes cut off the end of every record read (network and cable)
    bool noPrompt = false;    // "zzz" never brings up the setup mode
    std::chrono::milliseconds restartTime{2000}; // silence after a write, an IP-SETUP or "RS"

    bool operator==(const ConfigFaults&) const = default;
};

// First and last address a simulated DHCP server hands out, in turn.
struct AddressPool {
    quint32 first = 0;
    quint32 last = 0;

    bool operator==(const AddressPool&) const = default;
};

// The gateway's configuration side: who it is and where it starts.
struct ConfigSettings {
    QByteArray mac = QByteArray::fromHex("00204A000001"); // six bytes; the prefix gives the family
    quint16 port = 30718; // the program's default; a test asks for 0 through EndpointOptions
    std::optional<QHostAddress> ip; // record 0's address at start; nothing: the bind address
    QHostAddress mask = QHostAddress(QStringLiteral("255.255.255.0"));
    QHostAddress gateway = QHostAddress(QStringLiteral("0.0.0.0"));
    std::optional<AddressPool> dhcpPool; // nothing: DHCP hands out the address after the current one
    int answerLength = 30;               // discovery answer length in bytes
    std::chrono::milliseconds promptDelay{100}; // before each answer of the setup mode
    QString onAddressChange;             // program run after a restart that moved the address
    ConfigFaults faults;
};

// "00-20-4A-12-34-56" (or with ':'), either case; nothing unless six pairs.
std::optional<QByteArray> ParseMac(const QString& text);
// Six upper-case pairs joined by '-'.
QString MacText(const QByteArray& mac);
// "FIRST-LAST" or a single address; nothing when unreadable or FIRST > LAST.
std::optional<AddressPool> ParseAddressPool(const QString& text);
// A dotted IPv4 address (0.0.0.0 allowed); nothing otherwise.
std::optional<QHostAddress> ParseIPv4(const QString& text);

// The bus file's "config" object (format in sim/README.md); throws ConfigError.
ConfigSettings ReadConfigSettings(const QJsonValue& value, const QString& path);
