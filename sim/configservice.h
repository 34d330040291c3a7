#pragma once

#include "configsettings.h"
#include "recordstore.h"
#include "traffictrace.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

// The gateway's configuration side behind both of its ways in (the UDP
// configuration port and the serial setup mode): the setup records, the
// address the gateway has, and restarts. A restart follows every write over
// the network, an IP-SETUP and "RS"; while it lasts the gateway is deaf.
// When the restart has moved the address, the address hook runs before the
// gateway answers again, so the gateway is at its new address by then.
class ConfigService : public QObject {
    Q_OBJECT
public:
    explicit ConfigService(const ConfigSettings& settings, QObject* parent = nullptr);

    const ConfigSettings& Settings() const { return m_Settings; }
    QByteArray Mac() const { return m_Settings.mac; }
    void SetMac(const QByteArray& mac) { m_Settings.mac = mac; }
    const ConfigFaults& Faults() const { return m_Settings.faults; }
    void SetFaults(const ConfigFaults& faults) { m_Settings.faults = faults; }
    // Run as: COMMAND NEW-ADDRESS PREFIX-LENGTH OLD-ADDRESS; empty: none.
    void SetAddressHook(const QString& command) { m_Settings.onAddressChange = command; }

    RecordStore& Records() { return m_Records; }
    const RecordStore& Records() const { return m_Records; }

    // Takes in what the endpoints opened: the bind address stands in for
    // record 0's address when none was configured, and record 0's first
    // channel gets the transparent port (UDP when there is one).
    void Begin(const QHostAddress& bindAddress, std::optional<quint16> udpPort, std::optional<quint16> tcpPort);
    // Where the gateway is: record 0's address, or its DHCP lease when that is 0.0.0.0.
    QHostAddress Address() const { return m_Address; }

    // One datagram on the configuration port; the answer, if any.
    std::optional<QByteArray> Answer(const QByteArray& datagram, const QString& source);

    void Restart();
    bool Restarting() const { return m_Restarting; }

    // For the setup mode, whose text goes into the same trace.
    void Report(TrafficDirection direction, const QString& source, const QByteArray& bytes)
    {
        emit Traffic(direction, source, bytes);
    }

signals:
    void Traffic(TrafficDirection direction, const QString& source, const QByteArray& bytes);
    void RestartBegan();
    void RestartEnded();
    void AddressChanged(const QHostAddress& address);

private:
    std::optional<QByteArray> ReadReply(int recordNumber) const;
    bool Write(int recordNumber, const QByteArray& record);
    bool IpSetup(const QByteArray& datagram);
    void FinishRestart();
    void EndRestart(quint64 generation);
    QHostAddress AddressAfterRestart();
    QHostAddress NextLease();
    void RunHook(const QHostAddress& oldAddress, quint64 generation);

    ConfigSettings m_Settings;
    RecordStore m_Records;
    QHostAddress m_Address = QHostAddress(quint32{0});
    bool m_Leased = false; // m_Address came from DHCP
    quint64 m_PoolNext = 0;
    bool m_Restarting = false;
    quint64 m_Generation = 0; // counts restarts, so a late hook ends no newer one
    QTimer m_RestartTimer;
};
