#pragma once

#include "bus.h"
#include "busconfig.h"
#include "configservice.h"
#include "faults.h"
#include "linetiming.h"
#include "modbusfrontend.h"
#include "traffictrace.h"
#include "transparentport.h"

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class UdpEndpoint;
class TcpEndpoint;
class PtyEndpoint;
class ConfigEndpoint;
class AsciiEndpoint;

// Where the gateway listens.
struct EndpointOptions {
    QHostAddress bind = QHostAddress(QHostAddress::LocalHost);
    std::optional<quint16> udpPort = 10001; // nothing: no UDP endpoint; 0: any free port
    std::optional<quint16> tcpPort = 10001; // likewise for TCP
    std::optional<quint16> configPort;      // the configuration port; nothing (the default here): none
    std::optional<quint16> asciiUdpPort;    // the ASCII front end over UDP; nothing (the default): none
    std::optional<quint16> asciiTcpPort;    // likewise over TCP
    bool pty = false;
    QString ptyLink;   // a symbolic link to the pseudo-terminal, removed again on Stop
    QString tracePath; // every frame received and sent, one line each
    bool modbus = false; // the transparent port speaks Modbus (RTU and TCP framing) instead of M-Bus
};

// The simulated gateway: the transparent port over UDP, TCP and a
// pseudo-terminal with the meters behind it, and the configuration side (the
// UDP configuration port, the serial setup mode on the pseudo-terminal).
// Lives in the thread that runs its event loop; a test creates it, starts it
// on port 0 and asks for the ports.
class SimulatedGateway : public QObject {
    Q_OBJECT
public:
    explicit SimulatedGateway(const BusConfig& config, QObject* parent = nullptr);
    ~SimulatedGateway() override;

    // Opens the endpoints; on failure none stays open and error says which failed.
    bool Start(const EndpointOptions& options, QString* error = nullptr);
    void Stop();

    quint16 UdpPort() const;
    quint16 TcpPort() const;
    quint16 ConfigPort() const;
    quint16 AsciiUdpPort() const;
    quint16 AsciiTcpPort() const;
    QString PtyPath() const;
    // One line per open endpoint: "udp 127.0.0.1:10001", "tcp ...", "config ...", "pty /dev/pts/5".
    QStringList Endpoints() const;

    Bus& MBus() { return m_Bus; }
    void SetFaults(const Faults& faults) { m_Port.SetFaults(faults); }
    const Faults& GatewayFaults() const { return m_Port.GatewayFaults(); }
    void SetTiming(const LineTiming& timing) { m_Port.SetTiming(timing); }
    void SetCollisionMode(CollisionMode mode) { m_Bus.SetCollision(mode); }
    // The gateway's M-Bus speed; meters set to another speed fall silent.
    void SetBusBaud(int baud) { m_Bus.SetBaud(baud); }
    // The Modbus front end the port answers with under EndpointOptions::modbus.
    ModbusFrontEnd& Modbus() { return m_Modbus; }
    void SetModbusFaults(const ModbusFaults& faults) { m_Modbus.SetFaults(faults); }
    // No frame is waiting or being answered.
    bool Idle() const { return m_Port.Idle(); }

    // The configuration side: records, address, restarts.
    ConfigService& Configuration() { return m_Config; }
    void SetConfigFaults(const ConfigFaults& faults) { m_Config.SetFaults(faults); }
    const ConfigFaults& CurrentConfigFaults() const { return m_Config.Faults(); }
    void SetMac(const QByteArray& mac) { m_Config.SetMac(mac); }

signals:
    // Every frame received, reply sent and byte dropped, as the trace file has them.
    void Traffic(TrafficDirection direction, const QString& source, const QByteArray& bytes);

private:
    Bus m_Bus;
    ModbusFrontEnd m_Modbus;
    TransparentPort m_Port;
    TrafficTrace m_Trace;
    ConfigService m_Config;
    std::unique_ptr<UdpEndpoint> m_Udp;
    std::unique_ptr<TcpEndpoint> m_Tcp;
    std::unique_ptr<PtyEndpoint> m_Pty;
    std::unique_ptr<ConfigEndpoint> m_ConfigEndpoint;
    AsciiSettings m_AsciiSettings;
    std::unique_ptr<AsciiEndpoint> m_Ascii;
};
