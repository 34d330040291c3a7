#include "demosite.h"

#include "apptexts.h"
#include "udpendpoint.h"

#include "comm/loopbackguard.h"
#include "netsetup/networkcontext.h"
#include "netsetup/platform/icmpecho.h"
#include "shell/wizardcontext.h"
#include "base/pageflow.h"

#include <QFile>
#include <QNetworkDatagram>
#include <QRandomGenerator>

namespace {

constexpr quint8 kBusComponentMedium = 0x0E; // a gateway's own slave
constexpr int kPortAttempts = 8;
// Blocks of free ports are looked for below the range the system hands out
// for port 0, so they do not collide with other programs' sockets later.
constexpr int kFirstFreeBase = 20000;
constexpr int kFreeBaseSpan = 12000;

ConfigSettings DemoConfig(const ConfigSettings& base, const char* mac, const char* ip, const char* pool)
{
    ConfigSettings config = base;
    config.mac = ParseMac(QString::fromLatin1(mac)).value_or(config.mac);
    config.ip = QHostAddress(QString::fromLatin1(ip));
    config.mask = QHostAddress(QStringLiteral("255.255.255.0"));
    // Each gateway's DHCP leases lie apart from the other's address.
    config.dhcpPool = ParseAddressPool(QString::fromLatin1(pool));
    return config;
}

// An Aspen has no slave of its own on its bus.
BusConfig AspenBus(const BusConfig& bus)
{
    BusConfig aspen = bus;
    aspen.meters.removeIf([](const MeterConfig& meter) { return meter.medium == kBusComponentMedium; });
    aspen.config = DemoConfig(bus.config, "00-20-4A-0D-E0-02", "127.0.0.2", "127.0.2.10-127.0.2.19");
    return aspen;
}

BusConfig BirchBus(const BusConfig& bus)
{
    BusConfig birch = bus;
    birch.config = DemoConfig(bus.config, "E8-99-5A-0D-E0-03", "127.0.0.3", "127.0.3.10-127.0.3.19");
    return birch;
}

bool IsHostOnLoopback(const QHostAddress& address)
{
    return address.isLoopback() && address != DemoSite::BroadcastAddress()
           && (address.toIPv4Address() & 0x00FFFFFFu) != 0;
}

// The site as the welcome page lists it.
QString DemoSiteText(const Language& language, const DemoSite& site)
{
    const auto port = [&language](int id, quint16 number) {
        return language.GetLanguageText(id) + u' ' + QString::number(number);
    };
    const DemoPorts& ports = site.Ports();
    return language.GetLanguageText(apptext::kDemoSite) + QStringLiteral("\nAspen ") + site.AspenAddress().toString()
        + QStringLiteral(": ") + port(apptext::kMBusPort, ports.transparent) + QStringLiteral(", ")
        + port(apptext::kModbusPort, ports.modbus) + QStringLiteral(", ") + port(apptext::kAsciiPort, ports.ascii)
        + QStringLiteral("\nBirch V2 ") + site.BirchAddress().toString() + QStringLiteral(": ")
        + port(apptext::kMBusPort, ports.transparent);
}

} // namespace

DemoSite::DemoSite(const BusConfig& bus, QObject* parent) : QObject(parent)
{
    const BusConfig aspen = AspenBus(bus);
    m_Aspen.gateway = std::make_unique<SimulatedGateway>(aspen);
    m_Aspen.modbus = std::make_unique<SimulatedGateway>(aspen);
    m_Aspen.bind = *aspen.config.ip;
    m_Aspen.frontEnds = true;
    const BusConfig birch = BirchBus(bus);
    m_Birch.gateway = std::make_unique<SimulatedGateway>(birch);
    m_Birch.bind = *birch.config.ip;
    for (Member* member : {&m_Aspen, &m_Birch}) {
        connect(&member->gateway->Configuration(), &ConfigService::AddressChanged, this,
                [this, member](const QHostAddress& address) { Move(*member, address); });
    }
    connect(&m_Broadcast, &QUdpSocket::readyRead, this, &DemoSite::RelayBroadcasts);
}

DemoSite::~DemoSite()
{
    Close(m_Aspen);
    Close(m_Birch);
}

QHostAddress DemoSite::BroadcastAddress()
{
    return QHostAddress(QStringLiteral("127.255.255.255"));
}

bool DemoSite::Start(QString* error)
{
    if (StartOn(DemoPorts{}, error))
        return true;
    // Another program holds one of the usual ports: the whole site moves.
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        const auto base = static_cast<quint16>(kFirstFreeBase + QRandomGenerator::global()->bounded(kFreeBaseSpan));
        if (StartOn({base, static_cast<quint16>(base + 1), static_cast<quint16>(base + 2),
                     static_cast<quint16>(base + 3)},
                    error))
            return true;
    }
    return false;
}

bool DemoSite::StartOn(const DemoPorts& ports, QString* error)
{
    Close(m_Aspen);
    Close(m_Birch);
    m_Broadcast.close();
    m_Ports = ports;
    if (!m_Broadcast.bind(BroadcastAddress(), ports.config)) {
        if (error)
            *error = QStringLiteral("config %1: %2").arg(HostAndPort(BroadcastAddress(), ports.config),
                                                        m_Broadcast.errorString());
        return false;
    }
    if (Open(m_Aspen, error) && Open(m_Birch, error))
        return true;
    Close(m_Aspen);
    Close(m_Birch);
    m_Broadcast.close();
    return false;
}

bool DemoSite::Open(Member& member, QString* error)
{
    EndpointOptions options;
    options.bind = member.bind;
    options.udpPort = m_Ports.transparent;
    options.tcpPort = m_Ports.transparent;
    options.configPort = m_Ports.config;
    if (member.frontEnds) {
        options.asciiUdpPort = m_Ports.ascii;
        options.asciiTcpPort = m_Ports.ascii;
    }
    if (!member.gateway->Start(options, error))
        return false;
    if (!member.modbus)
        return true;
    EndpointOptions modbus;
    modbus.bind = member.bind;
    modbus.udpPort = m_Ports.modbus;
    modbus.tcpPort = m_Ports.modbus;
    modbus.modbus = true;
    return member.modbus->Start(modbus, error);
}

void DemoSite::Close(Member& member)
{
    member.gateway->Stop();
    if (member.modbus)
        member.modbus->Stop();
}

void DemoSite::Move(Member& member, const QHostAddress& address)
{
    if (!IsHostOnLoopback(address) || address == member.bind)
        return;
    const QHostAddress old = member.bind;
    member.bind = address;
    if (Open(member, nullptr))
        return;
    // Taken by the other gateway, say: it stays where it was.
    member.bind = old;
    Open(member, nullptr);
}

void DemoSite::RelayBroadcasts()
{
    while (m_Broadcast.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_Broadcast.receiveDatagram();
        if (!datagram.isValid())
            continue;
        const QHostAddress sender = datagram.senderAddress();
        const auto port = static_cast<quint16>(datagram.senderPort());
        const QString source = QStringLiteral("config:") + HostAndPort(sender, port);
        for (Member* member : {&m_Aspen, &m_Birch}) {
            const std::optional<QByteArray> answer = member->gateway->Configuration().Answer(datagram.data(), source);
            QUdpSocket reply;
            if (answer && reply.bind(member->bind, 0))
                reply.writeDatagram(*answer, sender, port);
        }
    }
}

BusConfigResult DemoBusConfig()
{
    QFile file(QStringLiteral(":/demo/sample-bus.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, file.fileName() + QStringLiteral(": ") + file.errorString()};
    return ParseBusConfig(file.readAll(), QStringLiteral("sample-bus.json"));
}

DemoMode::DemoMode(WizardContext& context, NetworkContext& network, const DemoSite& site)
    : m_Context(context)
    , m_Network(network)
    , m_Site(site)
{
    m_Replaced = {network.listAdapters, network.discoveryTarget, network.isReachable, network.pingOnce,
                  network.configTarget, context.settings.Read(keys::IPAddress), context.settings.Read(keys::TCPPort)};
    const QString loopback = QHostAddress(QHostAddress::LocalHost).toString();
    network.listAdapters = [loopback] { return QList<NetworkAdapter>{{loopback, QStringLiteral("lo")}}; };
    network.discoveryTarget = {DemoSite::BroadcastAddress(), site.Ports().config};
    network.configTarget = {site.Ports().config, DemoSite::BroadcastAddress()};
    // ARP has nothing to ask on loopback; everything there is at hand.
    network.isReachable = [](const QString& ip) { return RefusedDestination(ip).isEmpty(); };
    network.pingOnce = [&context](const QString& ip) {
        return RefusedDestination(ip).isEmpty() && PingOnce(ip, std::chrono::milliseconds(1000), &context.operations);
    };
    KeepTrafficOnLoopback(context.language.GetLanguageText(apptext::kDemoLoopbackOnly));
    if (!QHostAddress(context.settings.Read(keys::IPAddress)).isLoopback())
        context.settings.Save(keys::IPAddress, site.AspenAddress().toString());
    // The site may have moved to other ports since the last demo.
    context.settings.Save(keys::TCPPort, QString::number(site.Ports().transparent));
}

QString DemoMode::SiteText() const
{
    return DemoSiteText(m_Context.language, m_Site);
}

void DemoMode::PresetConnection(int task)
{
    const DemoPorts& ports = m_Site.Ports();
    quint16 port = ports.transparent;
    if (task == task::ModbusTest)
        port = ports.modbus;
    else if (task == task::AsciiTest)
        port = ports.ascii;
    Settings& settings = m_Context.settings;
    const QList<quint16> sitePorts = {ports.transparent, ports.modbus, ports.ascii};
    if (sitePorts.contains(static_cast<quint16>(settings.ReadInt(keys::TCPPort))))
        settings.Save(keys::TCPPort, QString::number(port));
    const bool frontEnd = task == task::ModbusTest || task == task::AsciiTest;
    if (frontEnd && QHostAddress(settings.Read(keys::IPAddress)) == m_Site.BirchAddress())
        settings.Save(keys::IPAddress, m_Site.AspenAddress().toString());
}

void DemoMode::Leave()
{
    if (m_Left)
        return;
    m_Left = true;
    m_Network.listAdapters = m_Replaced.listAdapters;
    m_Network.discoveryTarget = m_Replaced.discoveryTarget;
    m_Network.isReachable = m_Replaced.isReachable;
    m_Network.pingOnce = m_Replaced.pingOnce;
    m_Network.configTarget = m_Replaced.configTarget;
    m_Network.records = DeviceRecords(); // read from simulated gateways
    LetTrafficLeaveTheMachine();
    m_Context.settings.Save(keys::IPAddress, m_Replaced.ipAddress);
    m_Context.settings.Save(keys::TCPPort, m_Replaced.tcpPort);
}
