#pragma once

#include "busconfig.h"
#include "netsetup/networkcontext.h"
#include "simulatedgateway.h"

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>
#include <memory>

struct WizardContext;

// The ports of the demo site, the same on every gateway.
struct DemoPorts {
    quint16 config = 30718;      // discovery, records, IP-SETUP
    quint16 transparent = 10001; // M-Bus, over UDP and TCP
    quint16 modbus = 10002;      // the Aspen's Modbus front end, over UDP and TCP
    quint16 ascii = 10003;       // the Aspen's ASCII front end, over UDP and TCP
};

// A site of simulated gateways inside the program, on loopback only: an
// Aspen at 127.0.0.2 with the meters of a bus behind its transparent port,
// a Modbus and an ASCII front end, and a Birch V2 at 127.0.0.3 with its own
// copy of the meters and its own slave. Both answer discovery, record reads
// and writes and IP-SETUP. Loopback carries no broadcast, so the site
// listens on 127.255.255.255 and hands what arrives there to every gateway,
// whose answer goes back from the gateway's own address. A gateway given a
// new loopback address moves there, as a real one would; any other address
// is taken into its record, but it stays where it is.
class DemoSite : public QObject {
    Q_OBJECT
public:
    explicit DemoSite(const BusConfig& bus, QObject* parent = nullptr);
    ~DemoSite() override;

    // On the usual ports when they are free, else on a block of free ones.
    bool Start(QString* error = nullptr);

    const DemoPorts& Ports() const { return m_Ports; }
    static QHostAddress BroadcastAddress();
    SimulatedGateway& Aspen() { return *m_Aspen.gateway; }
    SimulatedGateway& Birch() { return *m_Birch.gateway; }
    // Where each one listens now.
    QHostAddress AspenAddress() const { return m_Aspen.bind; }
    QHostAddress BirchAddress() const { return m_Birch.bind; }

private:
    struct Member {
        std::unique_ptr<SimulatedGateway> gateway;
        std::unique_ptr<SimulatedGateway> modbus; // a front end of the same gateway, on a port of its own
        QHostAddress bind;
        bool frontEnds = false; // Modbus and ASCII
    };

    bool StartOn(const DemoPorts& ports, QString* error);
    bool Open(Member& member, QString* error);
    void Close(Member& member);
    void Move(Member& member, const QHostAddress& address);
    void RelayBroadcasts();

    DemoPorts m_Ports;
    Member m_Aspen;
    Member m_Birch;
    QUdpSocket m_Broadcast;
};

// The sample bus built into the program.
BusConfigResult DemoBusConfig();

// The demo inside a run of the wizard. Points the wizard's network at the
// site: the loopback adapter, the discovery query and IP-SETUP to the site's
// broadcast address, reachability and ping for loopback addresses only (ping
// through the real echo code), and the guard that keeps every other exchange
// on this machine. Stores the site's M-Bus port for the connection page, and
// its first gateway unless a loopback address is stored already. What it
// replaces is kept and put back when the demo is left, so that the same run
// can go on with the real site.
class DemoMode {
public:
    // The site must outlive it, or be left first.
    DemoMode(WizardContext& context, NetworkContext& network, const DemoSite& site);
    DemoMode(const DemoMode&) = delete;
    DemoMode& operator=(const DemoMode&) = delete;

    // The site as the welcome page lists it, at the gateways' present
    // addresses (one given a new address has moved there).
    QString SiteText() const;
    // Before the connection page of a task: the Modbus and ASCII tasks go to
    // the Aspen's front ends, the M-Bus tasks to a transparent port. Only one
    // of the site's own ports is replaced, and only the Birch's address (it
    // has no front ends): what the user typed for elsewhere stays.
    void PresetConnection(int task);
    // Puts back everything the demo changed in the context: the network's
    // adapters, targets, reachability and ping, the device records, the
    // guard, the stored address and port. Once; later calls do nothing.
    void Leave();
    bool Left() const { return m_Left; }

private:
    struct Replaced {
        AdapterList listAdapters;
        DiscoveryTarget discoveryTarget;
        std::function<bool(const QString&)> isReachable;
        Pinger pingOnce;
        ConfigTarget configTarget;
        QString ipAddress;
        QString tcpPort;
    };

    WizardContext& m_Context;
    NetworkContext& m_Network;
    const DemoSite& m_Site;
    Replaced m_Replaced;
    bool m_Left = false;
};
