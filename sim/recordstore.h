#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <array>
#include <optional>

// The gateway's eight setup records, starting from their factory contents.
// Record 0's network fields are read and set here too, because the
// simulated gateway acts on them (its address, the DHCP subnet).
class RecordStore {
public:
    static constexpr int kCount = 8;

    RecordStore();

    // Nothing for a record number outside 0-7.
    std::optional<QByteArray> Read(int recordNumber) const;
    // Replaces the record; refused (false) for another number or another length.
    bool Write(int recordNumber, const QByteArray& record);

    // Record 0's address (0.0.0.0: the gateway uses DHCP), mask, default
    // gateway and first channel, through the record accessors.
    QHostAddress Address() const;
    void SetAddress(const QHostAddress& address);
    int HostBits() const;
    void SetMask(const QHostAddress& mask);
    void SetGateway(const QHostAddress& gateway);
    void SetChannel(quint16 port, bool udp);
    // The first channel's M-Bus speed (300 to 9600 baud); false for another speed.
    bool SetLineSpeed(int baud);

private:
    std::array<QByteArray, kCount> m_Records;
};
