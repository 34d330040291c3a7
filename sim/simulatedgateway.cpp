#include "simulatedgateway.h"
#include "netfaults.h"

#include "asciiendpoint.h"
#include "configendpoint.h"
#include "ptyendpoint.h"
#include "tcpendpoint.h"
#include "udpendpoint.h"

SimulatedGateway::SimulatedGateway(const BusConfig& config, QObject* parent)
    : QObject(parent), m_Bus(config.meters, config.baud, config.collision), m_Modbus(config.modbus), m_Port(m_Bus),
      m_Config(config.config), m_AsciiSettings(config.ascii)
{
    m_Port.SetTiming(config.timing);
    m_Port.SetFaults(config.faults);
    connect(&m_Port, &TransparentPort::Traffic, this, &SimulatedGateway::Traffic);
    connect(&m_Port, &TransparentPort::Traffic, this,
            [this](TrafficDirection direction, const QString& source, const QByteArray& bytes) {
                m_Trace.Write(direction, source, bytes);
            });
    connect(&m_Config, &ConfigService::Traffic, this, &SimulatedGateway::Traffic);
    connect(&m_Config, &ConfigService::Traffic, this,
            [this](TrafficDirection direction, const QString& source, const QByteArray& bytes) {
                m_Trace.Write(direction, source, bytes);
            });
}

SimulatedGateway::~SimulatedGateway()
{
    Stop();
}

bool SimulatedGateway::Start(const EndpointOptions& options, QString* error)
{
    Stop();
    m_Port.SetModbus(options.modbus ? &m_Modbus : nullptr);
    QString reason;
    bool ok = options.tracePath.isEmpty() || m_Trace.Open(options.tracePath, &reason);
    if (ok && options.udpPort) {
        m_Udp = std::make_unique<UdpEndpoint>(m_Port);
        ok = m_Udp->Open(options.bind, *options.udpPort, &reason);
    }
    if (ok && options.tcpPort) {
        m_Tcp = std::make_unique<TcpEndpoint>(m_Port);
        ok = m_Tcp->Open(options.bind, *options.tcpPort, &reason);
    }
    if (ok && options.configPort) {
        m_ConfigEndpoint = std::make_unique<ConfigEndpoint>(m_Config);
        ok = m_ConfigEndpoint->Open(options.bind, *options.configPort, &reason);
    }
    if (ok && (options.asciiUdpPort || options.asciiTcpPort)) {
        m_Ascii = std::make_unique<AsciiEndpoint>(m_AsciiSettings);
        connect(m_Ascii.get(), &AsciiEndpoint::Traffic, this, &SimulatedGateway::Traffic);
        connect(m_Ascii.get(), &AsciiEndpoint::Traffic, this,
                [this](TrafficDirection direction, const QString& source, const QByteArray& bytes) {
                    m_Trace.Write(direction, source, bytes);
                });
        ok = m_Ascii->Open(options.bind, options.asciiUdpPort, options.asciiTcpPort, &reason);
    }
    if (ok && options.pty) {
        m_Pty = std::make_unique<PtyEndpoint>(m_Port, &m_Config);
        ok = m_Pty->Open(options.ptyLink, &reason);
    }
    if (ok && ProcessNetFaults() != NetFaults{}) {
        // Each endpoint draws from its own sequence, so traffic on one leaves the others' faults as they were.
        const NetFaults& faults = ProcessNetFaults();
        if (m_Udp)
            m_Udp->SetNetFaults(faults, 1);
        if (m_Tcp)
            m_Tcp->SetNetFaults(faults, 2);
        if (m_ConfigEndpoint)
            m_ConfigEndpoint->SetNetFaults(faults, 3);
        if (m_Ascii)
            m_Ascii->SetNetFaults(faults, 4);
        if (m_Pty)
            m_Pty->SetNetFaults(faults);
    }
    if (ok) {
        // record 0 tells the bus speed, as a gateway's own record does
        m_Config.Records().SetLineSpeed(m_Bus.Baud());
        m_Config.Begin(options.bind, m_Udp ? std::optional<quint16>(UdpPort()) : std::nullopt,
                       m_Tcp ? std::optional<quint16>(TcpPort()) : std::nullopt);
    }
    if (!ok) {
        Stop();
        if (error)
            *error = reason;
    }
    return ok;
}

void SimulatedGateway::Stop()
{
    m_Udp.reset();
    m_Tcp.reset();
    m_Pty.reset();
    m_ConfigEndpoint.reset();
    m_Ascii.reset();
}

quint16 SimulatedGateway::UdpPort() const
{
    return m_Udp ? m_Udp->Port() : 0;
}

quint16 SimulatedGateway::TcpPort() const
{
    return m_Tcp ? m_Tcp->Port() : 0;
}

quint16 SimulatedGateway::ConfigPort() const
{
    return m_ConfigEndpoint ? m_ConfigEndpoint->Port() : 0;
}

quint16 SimulatedGateway::AsciiUdpPort() const
{
    return m_Ascii ? m_Ascii->UdpPort() : 0;
}

quint16 SimulatedGateway::AsciiTcpPort() const
{
    return m_Ascii ? m_Ascii->TcpPort() : 0;
}

QString SimulatedGateway::PtyPath() const
{
    return m_Pty ? m_Pty->SlavePath() : QString();
}

QStringList SimulatedGateway::Endpoints() const
{
    QStringList lines;
    if (m_Udp)
        lines.append(m_Udp->Description());
    if (m_Tcp)
        lines.append(m_Tcp->Description());
    if (m_ConfigEndpoint)
        lines.append(m_ConfigEndpoint->Description());
    if (m_Ascii)
        lines.append(m_Ascii->Descriptions());
    if (m_Pty) {
        lines.append(QStringLiteral("pty ") + m_Pty->SlavePath());
        if (!m_Pty->LinkPath().isEmpty())
            lines.append(QStringLiteral("pty-link ") + m_Pty->LinkPath());
    }
    return lines;
}
