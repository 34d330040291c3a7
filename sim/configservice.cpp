#include "configservice.h"

#include "discoveryreply.h"

#include "netsetup/configprotocol.h"

#include <QProcess>
#include <algorithm>

namespace {

constexpr int kRecordCommandRange = RecordStore::kCount;
constexpr int kIpSetupLength = 20;
constexpr int kIpSetupAddressOffset = 16;
// A hook that hangs must not keep the gateway deaf for good.
constexpr std::chrono::milliseconds kHookLimit{10000};

bool IsRecordCommand(quint8 command, quint8 base)
{
    return command >= base && command < base + kRecordCommandRange;
}

bool IsUnicastIPv4(const QHostAddress& address)
{
    return address.protocol() == QAbstractSocket::IPv4Protocol && address.toIPv4Address() != 0
           && address != QHostAddress(QHostAddress::Broadcast);
}

} // namespace

ConfigService::ConfigService(const ConfigSettings& settings, QObject* parent) : QObject(parent), m_Settings(settings)
{
    m_Records.SetAddress(settings.ip.value_or(QHostAddress(quint32{0})));
    m_Records.SetMask(settings.mask);
    m_Records.SetGateway(settings.gateway);
    m_Address = m_Records.Address();
    m_RestartTimer.setSingleShot(true);
    connect(&m_RestartTimer, &QTimer::timeout, this, &ConfigService::FinishRestart);
}

void ConfigService::Begin(const QHostAddress& bindAddress, std::optional<quint16> udpPort,
                          std::optional<quint16> tcpPort)
{
    if (!m_Settings.ip && IsUnicastIPv4(bindAddress))
        m_Records.SetAddress(bindAddress);
    m_Address = m_Records.Address();
    // In DHCP mode from the start: the address it listens on is its lease.
    m_Leased = m_Address.toIPv4Address() == 0 && IsUnicastIPv4(bindAddress);
    if (m_Leased)
        m_Address = bindAddress;
    if (udpPort)
        m_Records.SetChannel(*udpPort, true);
    else if (tcpPort)
        m_Records.SetChannel(*tcpPort, false);
}

std::optional<QByteArray> ConfigService::Answer(const QByteArray& datagram, const QString& source)
{
    const bool framed = datagram.size() >= 4 && datagram.startsWith(QByteArray(3, '\0'));
    if (m_Settings.faults.silent || m_Restarting || !framed) {
        emit Traffic(TrafficDirection::Dropped, source, datagram);
        return std::nullopt;
    }
    const auto command = static_cast<quint8>(datagram[3]);
    std::optional<QByteArray> answer;
    bool taken = true;
    if (command == config::kDiscoveryQuery && datagram.size() == 4)
        answer = DiscoveryReply(m_Settings.mac, m_Settings.answerLength);
    else if (IsRecordCommand(command, config::kReadQuery) && datagram.size() == 4)
        answer = ReadReply(command - config::kReadQuery);
    else if (IsRecordCommand(command, config::kWriteRecord))
        taken = Write(command - config::kWriteRecord, datagram.mid(4));
    else if (command == config::kIpSetup)
        taken = IpSetup(datagram);
    else
        taken = false;

    emit Traffic(taken ? TrafficDirection::Received : TrafficDirection::Dropped, source, datagram);
    if (taken && IsRecordCommand(command, config::kWriteRecord)) {
        const int recordNumber = command - config::kWriteRecord + (m_Settings.faults.wrongAck ? 1 : 0);
        answer = config::WriteAcknowledgement(recordNumber);
    }
    if (answer)
        emit Traffic(TrafficDirection::Sent, source, *answer);
    return answer;
}

std::optional<QByteArray> ConfigService::ReadReply(int recordNumber) const
{
    QByteArray reply = config::Datagram(static_cast<quint8>(config::kReadReply + recordNumber),
                                        *m_Records.Read(recordNumber));
    reply.chop(std::min<qsizetype>(m_Settings.faults.truncateRecord, reply.size() - 4));
    return reply;
}

bool ConfigService::Write(int recordNumber, const QByteArray& record)
{
    if (!m_Records.Write(recordNumber, record))
        return false;
    // Deaf from the next datagram on; the acknowledgement of this one still leaves.
    Restart();
    return true;
}

bool ConfigService::IpSetup(const QByteArray& datagram)
{
    if (datagram.size() != kIpSetupLength)
        return false;
    quint32 value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | static_cast<quint8>(datagram[kIpSetupAddressOffset + i]);
    const QHostAddress address(value);
    // Acted on only when it is the datagram a client builds for our own MAC.
    const std::optional<QByteArray> ours = config::IpSetupDatagram(MacText(m_Settings.mac), address.toString());
    if (!ours || *ours != datagram)
        return false;
    m_Records.SetAddress(address);
    Restart();
    return true;
}

void ConfigService::Restart()
{
    ++m_Generation;
    m_Restarting = true;
    m_RestartTimer.start(m_Settings.faults.restartTime);
    emit RestartBegan();
}

void ConfigService::FinishRestart()
{
    const quint64 generation = m_Generation;
    const QHostAddress oldAddress = m_Address;
    m_Address = AddressAfterRestart();
    if (m_Address == oldAddress) {
        EndRestart(generation);
        return;
    }
    emit AddressChanged(m_Address);
    if (m_Settings.onAddressChange.isEmpty())
        EndRestart(generation);
    else
        RunHook(oldAddress, generation);
}

void ConfigService::EndRestart(quint64 generation)
{
    if (generation != m_Generation || !m_Restarting || m_RestartTimer.isActive())
        return;
    m_Restarting = false;
    emit RestartEnded();
}

QHostAddress ConfigService::AddressAfterRestart()
{
    const QHostAddress configured = m_Records.Address();
    if (configured.toIPv4Address() != 0) {
        m_Leased = false;
        return configured;
    }
    if (m_Leased)
        return m_Address; // a DHCP server hands the same lease out again
    const QHostAddress lease = NextLease();
    m_Leased = lease.toIPv4Address() != 0;
    return lease;
}

QHostAddress ConfigService::NextLease()
{
    const quint32 current = m_Address.toIPv4Address();
    if (m_Settings.dhcpPool) {
        const AddressPool& pool = *m_Settings.dhcpPool;
        const quint64 size = quint64{pool.last} - pool.first + 1;
        quint32 lease = pool.first + static_cast<quint32>(m_PoolNext++ % size);
        if (lease == current && size > 1)
            lease = pool.first + static_cast<quint32>(m_PoolNext++ % size);
        return QHostAddress(lease);
    }
    // No pool: the next host address in the gateway's own subnet.
    const int hostBits = std::clamp(m_Records.HostBits(), 0, 32);
    if (current == 0 || hostBits < 2)
        return m_Address;
    const quint32 hostMask = hostBits == 32 ? 0xFFFFFFFFu : (1u << hostBits) - 1;
    quint32 host = (current & hostMask) + 1;
    if (host >= hostMask) // past the last host: wrap round, skipping the network and broadcast addresses
        host = 1;
    return QHostAddress((current & ~hostMask) | host);
}

void ConfigService::RunHook(const QHostAddress& oldAddress, quint64 generation)
{
    QStringList arguments = QProcess::splitCommand(m_Settings.onAddressChange);
    if (arguments.isEmpty()) {
        EndRestart(generation);
        return;
    }
    const QString program = arguments.takeFirst();
    arguments << m_Address.toString() << QString::number(32 - std::clamp(m_Records.HostBits(), 0, 32))
              << oldAddress.toString();
    auto* hook = new QProcess(this);
    hook->setProcessChannelMode(QProcess::ForwardedChannels);
    connect(hook, &QProcess::finished, this, [this, hook, generation] {
        hook->deleteLater();
        EndRestart(generation);
    });
    connect(hook, &QProcess::errorOccurred, this, [this, hook, generation](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        qWarning("ostrand-sim: the address hook did not start: %s", qPrintable(hook->errorString()));
        hook->deleteLater();
        EndRestart(generation);
    });
    QTimer::singleShot(kHookLimit, this, [this, generation] { EndRestart(generation); });
    hook->start(program, arguments);
}
