#include "ipassignment.h"

#include "netsetuptexts.h"
#include "record.h"
#include "recordedit.h"
#include "recordtransfer.h"
#include "setupview.h"
#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "base/inifile.h"
#include "base/language.h"
#include "base/settingkeys.h"

#include <QElapsedTimer>

using namespace std::chrono_literals;

namespace {

constexpr auto kFirstAnswer = 1000ms; // the gateway takes the address and restarts
constexpr auto kDhcpStep = 1000ms;
constexpr auto kShortestRead = 100ms; // counted per read, so a zero timeout cannot spin
const QString kSetupLine = QStringLiteral("9600,N,8,1");
const QString kBreak = QStringLiteral("\r\n");
const QString kParagraph = QStringLiteral("\r\n\r\n");

std::chrono::milliseconds IniMs(const IniFile& ini, const IniKey& key, qint64 most = std::numeric_limits<qint64>::max())
{
    return std::chrono::milliseconds(std::clamp<qint64>(ini.ReadNumberOrDefault(key), 0, most));
}

class BusyScope {
public:
    explicit BusyScope(SetupView& view)
        : m_View(view)
    {
        m_View.SetBusy(true);
    }
    ~BusyScope() { m_View.SetBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    SetupView& m_View;
};

} // namespace

IpTimings IpTimings::FromIni(const IniFile& ini)
{
    IpTimings timings;
    timings.udpTimeOut = IniMs(ini, ini::IP_UDPTimeOut);
    timings.resetTimeOut = IniMs(ini, ini::IP_ResetTimeOut);
    timings.rebootDhcpDelay = IniMs(ini, ini::IP_RebootDHCPDelay, 32767);
    timings.serialTimeOut = IniMs(ini, ini::IP_SerialTimeOut);
    return timings;
}

std::optional<RecordRefusal> IpEntry::Refusal(bool missingAllowed) const
{
    const QList<std::pair<int, const AddressEntry*>> fields {
        {netsetuptext::kIPAddress, &ip}, {netsetuptext::kGateway, &gateway}, {netsetuptext::kNetMask, &mask}};
    for (const auto& [fieldText, entry] : fields) {
        const bool skipped = missingAllowed && entry != &ip && !entry->Given();
        if (!skipped && !entry->address)
            return RecordRefusal {fieldText, entry->typed};
    }
    return std::nullopt;
}

IpAssignment::IpAssignment(RecordTransfer& transfer, cRecord& record0, const Language& language, SetupView& view)
    : m_Transfer(transfer)
    , m_Record0(record0)
    , m_Language(language)
    , m_View(view)
{
}

QString IpAssignment::Text(int id) const
{
    return m_Language.GetLanguageText(id);
}

bool IpAssignment::Refused(const std::optional<RecordRefusal>& refusal, int header)
{
    if (!refusal)
        return false;
    // Nothing is sent: a typing error must not leave a gateway half set up.
    m_View.SetHeader(Text(header));
    m_View.Warn(RefusalText(m_Language, *refusal));
    return true;
}

IpAssignment::Outcome IpAssignment::SetIpByUdp(const QString& mac, const IpEntry& entry, const IpTimings& timings)
{
    const DeviceOperationScope operation(m_Transfer.Operations());
    if (!operation)
        return Outcome::Failed;
    // What is sent is what the gateway is looked for at afterwards.
    const QString address = entry.ip.address.value_or(entry.ip.typed);
    const bool dhcp = entry.Dhcp();
    if (!dhcp && Refused(entry.Refusal(false), netsetuptext::kIpNotSet))
        return Outcome::Failed;
    const std::optional<QByteArray> datagram = config::IpSetupDatagram(mac, address);
    if (!datagram) {
        m_View.SetHeader(Text(netsetuptext::kIpNotSet));
        m_View.Warn(RefusalText(m_Language, {netsetuptext::kMacAddress, mac}));
        return Outcome::Failed;
    }

    BusyScope busy(m_View);
    m_View.SetHeader(Text(netsetuptext::kSettingIp));
    m_View.SetInfo(Text(netsetuptext::kSendingToMac) + u' ' + mac + QStringLiteral("..."));
    ConfigSocket& socket = m_Transfer.Socket();
    m_Transfer.SetRemotePort(Target.port);
    socket.SetRemoteHost(Target.broadcast);
    socket.Bind(m_Transfer.AdapterIP);
    const QString error = socket.Send(*datagram);
    if (!error.isEmpty())
        m_View.Warn(SocketWarningText(m_Language, netsetuptext::kDiscoveryNotSent, error));

    m_View.AppendInfo(kBreak + Text(netsetuptext::kWaitingForAnswer));
    QElapsedTimer clock;
    clock.start();
    DeviceOperations& operations = m_Transfer.Operations();
    operations.Pause(kFirstAnswer);
    std::chrono::milliseconds elapsed = kFirstAnswer;
    // Time is counted per step and never less than has really passed.
    const auto advance = [&](std::chrono::milliseconds step) {
        elapsed = std::max(elapsed + step, std::chrono::milliseconds(clock.elapsed()));
    };

    Outcome outcome = Outcome::Failed;
    if (dhcp) {
        while (elapsed < timings.rebootDhcpDelay && !operations.CancelRequested()) {
            m_View.AppendInfo(QStringLiteral("."));
            operations.Pause(kDhcpStep);
            advance(kDhcpStep);
        }
        m_View.SetHeader(Text(netsetuptext::kDhcpSetHeader));
        m_View.SetInfo(Text(netsetuptext::kDhcpSetInfo));
        outcome = Outcome::Dhcp;
    } else {
        bool read = false;
        while (elapsed < timings.resetTimeOut && !read && !operations.CancelRequested()) {
            m_View.AppendInfo(QStringLiteral("."));
            read = m_Transfer.Read_Record(m_Record0, TransferMode::Network, address, timings.udpTimeOut);
            advance(std::max(timings.udpTimeOut, kShortestRead));
        }
        if (read) {
            // The address itself the gateway took from IP-SETUP.
            m_View.AppendInfo(kBreak + Text(netsetuptext::kWritingMaskAndGateway));
            RecordChanges changes;
            changes.gateway = entry.gateway.address;
            changes.mask = entry.mask.address;
            if (!ApplyNetworkChanges(m_Record0, changes)
                && m_Transfer.Write_Record(m_Record0, TransferMode::Network, address, timings.resetTimeOut)) {
                m_View.SetHeader(Text(netsetuptext::kIpSetHeader));
                m_View.AppendInfo(kParagraph + Text(netsetuptext::kIpSetInfo));
                outcome = Outcome::Assigned;
            }
        }
        if (outcome == Outcome::Failed) {
            m_View.SetHeader(Text(netsetuptext::kIpNotSet));
            m_View.SetInfo(Text(netsetuptext::kIpNotSetInfo));
        }
    }
    socket.Close();
    return outcome;
}

bool IpAssignment::EnterSerialSetupMode(const SetupPort& port, std::chrono::milliseconds promptTimeout)
{
    const DeviceOperationScope operation(m_Transfer.Operations());
    if (!operation)
        return false;
    Connection& connection = m_Transfer.SerialConnection();
    const QString name = port.device.isEmpty() ? QString::number(port.index + 1) : port.device;
    m_View.SetInfo(Text(netsetuptext::kOpeningSerialPort) + name + QStringLiteral("...") + kParagraph);
    const bool opened = port.device.isEmpty() ? connection.OpenSerialPort(port.index, kSetupLine)
                                              : connection.OpenSerialDevice(port.device, kSetupLine);
    if (!opened) {
        m_View.AppendInfo(Text(netsetuptext::kSerialPortNotOpened));
        return false;
    }
    m_View.SetWaitingForPrompt(true);
    m_View.SetInfo(Text(netsetuptext::kSwitchPowerOffAndOn));
    const auto progress
        = std::exchange(m_Transfer.promptProgress, [this](const QString& text) { m_View.SetHeader(text); });
    const bool prompted = m_Transfer.WaitForSetupPrompt(promptTimeout);
    m_Transfer.promptProgress = progress;
    m_View.SetWaitingForPrompt(false);
    if (!prompted) {
        connection.CloseSerialPort();
        return false;
    }
    return true;
}

IpAssignment::Outcome IpAssignment::SetIpBySerial(
    const SetupPort& port, const IpEntry& entry, const IpTimings& timings, std::chrono::milliseconds promptTimeout)
{
    const DeviceOperationScope operation(m_Transfer.Operations());
    if (!operation)
        return Outcome::Failed;
    // With DHCP a mask or gateway not given keeps what the gateway has.
    if (Refused(entry.Refusal(entry.Dhcp()), netsetuptext::kIpNotSetBySerial))
        return Outcome::Failed;
    if (!EnterSerialSetupMode(port, promptTimeout)) {
        m_View.SetHeader(Text(netsetuptext::kSetupModeNotReachedHeader));
        m_View.SetInfo(Text(netsetuptext::kSetupModeNotReachedInfo));
        return Outcome::Failed;
    }

    BusyScope busy(m_View);
    m_View.SetHeader(Text(netsetuptext::kSettingIpBySerial));
    m_View.SetInfo(Text(netsetuptext::kReadingGatewaySettings) + kParagraph);
    bool written = false;
    // Only a record just read whole from this gateway is written back.
    if (m_Transfer.Read_Record(m_Record0, TransferMode::Serial, entry.ip.typed, timings.serialTimeOut)) {
        const auto settings = [this](int title, const QString& address, const QString& netMask, const QString& router) {
            return Text(title) + QStringLiteral(" - ") + Text(netsetuptext::kIpAddressLabel) + QStringLiteral(": ")
                + address + QStringLiteral(", ") + Text(netsetuptext::kNetMaskLabel) + QStringLiteral(": ") + netMask
                + QStringLiteral(", ") + Text(netsetuptext::kGatewayLabel) + QStringLiteral(": ") + router;
        };
        m_View.AppendInfo(settings(netsetuptext::kCurrentSettings, m_Record0.Get_IPAddress(), m_Record0.Get_NetMask(),
                                   m_Record0.Get_Gateway())
                          + u'.' + kParagraph);
        RecordChanges changes;
        changes.ip = entry.ip.address;
        changes.gateway = entry.gateway.address;
        changes.mask = entry.mask.address;
        m_View.AppendInfo(settings(netsetuptext::kNewSettings, *changes.ip,
                                   changes.mask.value_or(m_Record0.Get_NetMask()),
                                   changes.gateway.value_or(m_Record0.Get_Gateway()))
                          + QStringLiteral("...") + kParagraph);
        written = !ApplyNetworkChanges(m_Record0, changes)
            && m_Transfer.Write_Record(m_Record0, TransferMode::Serial, *changes.ip, timings.resetTimeOut);
        if (written) {
            m_View.SetHeader(Text(netsetuptext::kIpSetBySerialHeader));
            m_View.AppendInfo(kParagraph + Text(netsetuptext::kIpSetBySerialInfo));
        }
    }
    if (!written) {
        m_View.SetHeader(Text(netsetuptext::kIpNotSetBySerial));
        m_View.AppendInfo(Text(netsetuptext::kSerialTransferFailed));
    }
    m_Transfer.SerialConnection().CloseSerialPort();
    return written ? Outcome::Assigned : Outcome::Failed;
}

bool IpAssignment::EnterSetupModeForSettings(const SetupPort& port, std::chrono::milliseconds promptTimeout)
{
    const DeviceOperationScope operation(m_Transfer.Operations());
    if (!operation)
        return false;
    const bool entered = EnterSerialSetupMode(port, promptTimeout);
    m_View.SetHeader(Text(entered ? netsetuptext::kSetupModeHeader : netsetuptext::kSetupModeNotReached));
    m_View.SetInfo(Text(entered ? netsetuptext::kSetupModeInfo : netsetuptext::kSetupModeNotEntered));
    return entered;
}

void IpAssignment::Abort()
{
    m_Transfer.Abort();
}
