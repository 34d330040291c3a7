#include "gatewayfarm.h"

#include "netsetup/configprotocol.h"

namespace {

constexpr int kMostGateways = 65000;

// The MAC plus n, carried through its last three bytes.
QByteArray MacPlus(const QByteArray& mac, int n)
{
    QByteArray next = mac;
    quint32 low = (static_cast<quint8>(mac[3]) << 16) | (static_cast<quint8>(mac[4]) << 8) | static_cast<quint8>(mac[5]);
    low += static_cast<quint32>(n);
    next[3] = static_cast<char>(low >> 16 & 0xFF);
    next[4] = static_cast<char>(low >> 8 & 0xFF);
    next[5] = static_cast<char>(low & 0xFF);
    return next;
}

} // namespace

bool GatewayFarm::Start(const BusConfig& bus, const EndpointOptions& first, int count, QString* error)
{
    const quint32 base = first.bind.toIPv4Address();
    for (int i = 0; i < count; ++i) {
        BusConfig own = bus;
        const QHostAddress address(base + static_cast<quint32>(i));
        own.config.ip = address;
        own.config.mac = MacPlus(bus.config.mac, i);
        EndpointOptions endpoints;
        endpoints.bind = address;
        endpoints.udpPort.reset();
        endpoints.tcpPort.reset();
        endpoints.configPort = first.configPort.value_or(config::kPort);
        auto gateway = std::make_unique<SimulatedGateway>(own);
        if (!gateway->Start(endpoints, error)) {
            m_Gateways.clear();
            return false;
        }
        m_Gateways.push_back(std::move(gateway));
    }
    return true;
}

QStringList GatewayFarm::Endpoints() const
{
    if (m_Gateways.empty())
        return {};
    QStringList lines = m_Gateways.front()->Endpoints();
    if (m_Gateways.size() > 1)
        lines += m_Gateways.back()->Endpoints();
    return lines;
}

void AddGatewayFarmOption(QCommandLineParser& parser)
{
    parser.addOption({QStringLiteral("gateways"),
                      QStringLiteral("Run N gateways, on consecutive addresses from --bind, with consecutive MACs; "
                                     "configuration port only."),
                      QStringLiteral("N")});
}

int GatewayFarmSize(const QCommandLineParser& parser, QString* error)
{
    if (!parser.isSet(QStringLiteral("gateways")))
        return 1;
    bool ok = false;
    const int count = parser.value(QStringLiteral("gateways")).toInt(&ok);
    if (!ok || count < 1 || count > kMostGateways) {
        *error = QStringLiteral("--gateways: a number 1-%1 is needed").arg(kMostGateways);
        return 0;
    }
    const QHostAddress bind(parser.value(QStringLiteral("bind")));
    const quint32 first = bind.toIPv4Address();
    const bool fits = quint64{first} + static_cast<quint64>(count) <= 0xFFFFFFFFu;
    if (bind.protocol() != QAbstractSocket::IPv4Protocol || first == 0 || !fits) {
        *error = QStringLiteral("--gateways: --bind must name the first of the addresses");
        return 0;
    }
    return count;
}
