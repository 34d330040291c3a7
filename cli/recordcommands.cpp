#include "recordcommands.h"

#include "clisession.h"
#include "configcli.h"

#include "comm/connection.h"
#include "netsetup/configprotocol.h"
#include "netsetup/netsetuptexts.h"
#include "netsetup/networksettings.h"
#include "netsetup/recordtransfer.h"
#include "base/settingkeys.h"
#include "comm/mbusapplication.h"

#include <memory>

namespace {

using Prepared = std::variant<std::function<CliResult()>, CliResult>;


// The gateway the command reaches: an address, or a serial device whose
// gateway is brought into setup mode first.
struct RecordPeer {
    bool serial = false;
    QString host;
    quint16 port = config::kPort;
    SetupPort setupPort;
    std::chrono::milliseconds promptTimeout {0};
};

std::variant<RecordPeer, CliResult> PeerOf(const CliArgs& args)
{
    RecordPeer peer;
    if (!args.udp.isEmpty() || !args.tcp.isEmpty())
        return UsageError(QStringLiteral("give the gateway as HOST[:PORT] or --serial DEVICE, not --udp or --tcp"));
    const auto timeout = PromptTimeout(*args.parser);
    if (auto* failure = std::get_if<CliResult>(&timeout))
        return *failure;
    peer.promptTimeout = std::get<std::chrono::milliseconds>(timeout);
    if (!args.serial.isEmpty()) {
        if (!args.arguments.isEmpty())
            return UsageError(QStringLiteral("give either HOST or --serial DEVICE"));
        peer.serial = true;
        peer.setupPort = SetupPortOf(args.serial);
        return peer;
    }
    if (args.arguments.size() != 1)
        return UsageError(QStringLiteral("give the gateway as HOST[:PORT] or --serial DEVICE"));
    const auto hostPort = HostAndPort(args.arguments.front(), config::kPort);
    if (!hostPort || hostPort->first.isEmpty())
        return UsageError(NotAnAddress(args.arguments.front()));
    peer.host = hostPort->first;
    peer.port = hostPort->second;
    return peer;
}

// One run's way to the records: the transfer and, on a serial device, the
// setup mode entered before and left after.
class RecordSession {
public:
    RecordSession(CliSession& session, const RecordPeer& peer)
        : m_Session(session)
        , m_Peer(peer)
        , m_Transfer(session.Gateway(), session.Texts())
        , m_Assignment(m_Transfer, m_Records.m_Record[0], session.Texts(), m_View)
    {
        m_Transfer.SetRemotePort(peer.port);
        UseSession(m_Transfer, session);
    }
    ~RecordSession() { m_Session.Gateway().CloseSerialPort(); }

    // A failure to report, or nothing when the records can be reached.
    std::optional<CliResult> Open()
    {
        if (!m_Peer.serial || m_Assignment.EnterSerialSetupMode(m_Peer.setupPort, m_Peer.promptTimeout))
            return std::nullopt;
        return DeviceError(QStringLiteral("the gateway on %1 did not enter its setup mode: %2")
                               .arg(m_Session.Args().serial, m_View.Outcome()));
    }
    // A reading run leaves the setup mode, so the gateway goes back to work.
    void QuitSetupMode()
    {
        if (m_Peer.serial)
            m_Session.Gateway().WriteSerialBytes(config::kQuit);
    }

    TransferMode Method() const { return m_Peer.serial ? TransferMode::Serial : TransferMode::Network; }
    std::chrono::milliseconds ReadTimeout() const
    {
        return std::chrono::milliseconds(
            m_Session.Ini().ReadNumberOrDefault(m_Peer.serial ? ini::IP_SerialTimeOut : ini::IP_UDPTimeOut));
    }
    std::chrono::milliseconds WriteTimeout() const
    {
        return std::chrono::milliseconds(m_Session.Ini().ReadNumberOrDefault(ini::IP_WriteTimeOut));
    }
    QString Where() const { return m_Peer.serial ? m_Session.Args().serial : m_Peer.host; }

    RecordTransfer& Transfer() { return m_Transfer; }
    DeviceRecords& Records() { return m_Records; }
    const Language& Texts() const { return m_Session.Texts(); }

private:
    CliSession& m_Session;
    RecordPeer m_Peer;
    DeviceRecords m_Records;
    CliSetupView m_View;
    RecordTransfer m_Transfer;
    IpAssignment m_Assignment;
};

std::optional<bool> YesNoOption(const QCommandLineParser& parser, const QString& name, bool& bad)
{
    if (!parser.isSet(name))
        return std::nullopt;
    const QString value = parser.value(name).toLower();
    if (value == QLatin1String("yes"))
        return true;
    if (value == QLatin1String("no"))
        return false;
    bad = true;
    return std::nullopt;
}

void AddRecordFields(CliResult& result, const cRecord& record, bool raw)
{
    if (record.RecordNumber() == 0) {
        result.Add(QStringLiteral("ip"), record.Get_IPAddress());
        result.Add(QStringLiteral("mask"), record.Get_NetMask());
        result.Add(QStringLiteral("gateway"), record.Get_Gateway());
        result.Add(QStringLiteral("port"), record.Get_IPPort().toInt());
        result.Add(QStringLiteral("protocol"), record.Get_IsUsingUDP() ? QStringLiteral("udp") : QStringLiteral("tcp"));
        const int speed = record.Get_LineSpeed();
        result.Add(QStringLiteral("line_speed"), speed >= 0 ? QVariant(mbus::kLineSpeeds[speed]) : QVariant());
        result.Add(QStringLiteral("password"), record.Get_TelnetPassword());
    } else if (record.RecordNumber() == 1) {
        result.Add(QStringLiteral("allow_telnet"), record.Get_AllowTelnet());
        result.Add(QStringLiteral("allow_config"), record.Get_Allow77FE());
    } else {
        result.Add(QStringLiteral("record"), record.RecordNumber());
    }
    if (raw || record.RecordNumber() > 1)
        result.Add(QStringLiteral("raw"), QString::fromLatin1(record.Bytes().toHex().toUpper()));
}

// The record 0 and 1 changes the options name.
std::variant<RecordChanges, CliResult> ChangesOf(const QCommandLineParser& parser)
{
    RecordChanges changes;
    const auto text = [&parser](const char* name) -> std::optional<QString> {
        const QString option = QString::fromLatin1(name);
        return parser.isSet(option) ? std::optional<QString>(parser.value(option)) : std::nullopt;
    };
    changes.ip = text("ip");
    changes.mask = text("mask");
    changes.gateway = text("gateway");
    changes.password = text("password");
    if (auto port = text("port")) {
        bool ok = false;
        const uint value = port->toUInt(&ok);
        if (!ok || value > 65535)
            return UsageError(QStringLiteral("--port takes a number from 0 to 65535"));
        changes.port = *port;
    }
    if (auto protocol = text("protocol")) {
        if (protocol->compare(QLatin1String("udp"), Qt::CaseInsensitive) != 0
            && protocol->compare(QLatin1String("tcp"), Qt::CaseInsensitive) != 0)
            return UsageError(QStringLiteral("--protocol takes udp or tcp"));
        changes.udp = protocol->compare(QLatin1String("udp"), Qt::CaseInsensitive) == 0;
    }
    if (auto speed = text("line-speed")) {
        const qsizetype index = mbus::kLineSpeeds.indexOf(speed->toInt());
        if (index < 0)
            return UsageError(QStringLiteral("--line-speed takes 300, 600, 1200, 2400, 4800 or 9600"));
        changes.lineSpeed = static_cast<int>(index);
    }
    bool bad = false;
    changes.allowTelnet = YesNoOption(parser, QStringLiteral("allow-telnet"), bad);
    changes.allowConfig = YesNoOption(parser, QStringLiteral("allow-config"), bad);
    if (bad)
        return UsageError(QStringLiteral("--allow-telnet and --allow-config take yes or no"));
    if (!changes.ip && !changes.mask && !changes.gateway && !changes.port && !changes.udp && !changes.lineSpeed
        && !changes.ChangesSecurity())
        return UsageError(QStringLiteral("give at least one setting to change"));
    return changes;
}

} // namespace

CommandOptions RecordReadOptions()
{
    return {QStringLiteral("record-read"),
        {{QStringLiteral("record"), QStringLiteral("Record number 0-7 (default 0)."), QStringLiteral("N")},
            {QStringLiteral("raw"), QStringLiteral("Add the record's bytes in hex.")}, PromptTimeoutOption(), AdapterOption()},
        QStringLiteral("HOST[:PORT] | --serial DEVICE"), QStringLiteral("Read a configuration record of a gateway."),
        CommandTransport::SerialOnly};
}

Prepared PrepareRecordRead(CliSession& session)
{
    const CliArgs& args = session.Args();
    auto peer = PeerOf(args);
    if (auto* failure = std::get_if<CliResult>(&peer))
        return *failure;
    int number = 0;
    if (args.parser->isSet(QStringLiteral("record"))) {
        bool ok = false;
        number = args.parser->value(QStringLiteral("record")).toInt(&ok);
        if (!ok || number < 0 || number > 7)
            return UsageError(QStringLiteral("--record takes a number from 0 to 7"));
    }
    const bool raw = args.parser->isSet(QStringLiteral("raw"));
    return std::function<CliResult()>([&session, peer = std::get<RecordPeer>(peer), number, raw] {
        RecordSession records(session, peer);
        if (auto failure = records.Open())
            return *failure;
        cRecord& record = records.Records().m_Record[static_cast<size_t>(number)];
        const bool read = records.Transfer().Read_Record(record, records.Method(), peer.host, records.ReadTimeout());
        records.QuitSetupMode();
        if (!read)
            return DeviceError(
                QStringLiteral("record %1 could not be read from %2: %3")
                    .arg(number)
                    .arg(records.Where(), OneLine(records.Texts().GetLanguageText(netsetuptext::kSettingsNotRead))));
        CliResult result;
        AddRecordFields(result, record, raw);
        return result;
    });
}

CommandOptions RecordWriteOptions()
{
    const auto value = [](const char* name, const char* help, const char* valueName) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(help), QString::fromLatin1(valueName));
    };
    return {QStringLiteral("record-write"),
        {value("ip", "The gateway's IP address.", "IP"), value("mask", "Its network mask.", "MASK"),
            value("gateway", "Its default gateway.", "IP"), value("port", "TCP/UDP port of the M-Bus channel.", "PORT"),
            value("protocol", "udp or tcp for the M-Bus channel.", "udp|tcp"),
            value("line-speed", "M-Bus line speed, baud.", "BAUD"),
            value("password", "Telnet password; the gateway keeps its first 4 characters.", "TEXT"),
            value("allow-telnet", "Telnet access.", "yes|no"),
            value("allow-config", "Configuration over the network (this tool and the wizard).", "yes|no"),
            PromptTimeoutOption(), AdapterOption()},
        QStringLiteral("HOST[:PORT] | --serial DEVICE"),
        QStringLiteral("Change a gateway's network settings: read record 0, change the fields given, write it back."),
        CommandTransport::SerialOnly};
}

Prepared PrepareRecordWrite(CliSession& session)
{
    const CliArgs& args = session.Args();
    auto peer = PeerOf(args);
    if (auto* failure = std::get_if<CliResult>(&peer))
        return *failure;
    auto parsed = ChangesOf(*args.parser);
    if (auto* failure = std::get_if<CliResult>(&parsed))
        return *failure;
    RecordChanges changes = std::get<RecordChanges>(parsed);
    QList<AddressField> typed;
    if (changes.ip)
        typed.append({netsetuptext::kIPAddress, *changes.ip});
    if (changes.gateway)
        typed.append({netsetuptext::kGateway, *changes.gateway});
    if (changes.mask)
        typed.append({netsetuptext::kNetMask, *changes.mask});
    if (const auto refusal = CheckAddresses(typed))
        return RefusedOption(*refusal, session.Texts());
    for (std::optional<QString>* address : {&changes.ip, &changes.gateway, &changes.mask}) {
        if (*address)
            *address = TypedAddress(**address);
    }

    return std::function<CliResult()>([&session, peer = std::get<RecordPeer>(peer), changes] {
        RecordSession records(session, peer);
        if (auto failure = records.Open())
            return *failure;
        if (!ReadNetworkSettings(
                records.Transfer(), records.Records(), records.Method(), peer.host, records.ReadTimeout())) {
            records.QuitSetupMode();
            return DeviceError(
                QStringLiteral("record 0 could not be read from %1: %2")
                    .arg(records.Where(), OneLine(records.Texts().GetLanguageText(netsetuptext::kSettingsNotRead))));
        }
        const SettingsWriteResult written = WriteNetworkSettings(
            records.Transfer(), records.Records(), changes, records.Method(), peer.host, records.WriteTimeout());
        if (written.status == SettingsWriteResult::Status::Refused) // a record too short for the field
            return DeviceError(QStringLiteral("record 0 of %1 is too short to take the changes").arg(records.Where()));
        QStringList texts;
        for (const int text : SettingsWriteTexts(changes, written)) {
            if (text != netsetuptext::kBackToTasks) // the wizard's way on
                texts << records.Texts().GetLanguageText(text);
        }
        if (!written.Complete())
            return DeviceError(QStringLiteral("%1: %2").arg(records.Where(), OneLine(texts.join(u' '))));
        CliResult result;
        result.Add(QStringLiteral("written"), true);
        if (changes.ChangesSecurityRecord())
            result.Add(QStringLiteral("security"), written.security == SettingsWriteResult::Security::Written);
        result.Add(QStringLiteral("message"), OneLine(texts.join(u' ')));
        return result;
    });
}
