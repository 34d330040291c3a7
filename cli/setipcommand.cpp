#include "setipcommand.h"

#include "clisession.h"
#include "configcli.h"

#include "netsetup/adapterchoice.h"
#include "netsetup/netsetuptexts.h"
#include "netsetup/platform/networkadapters.h"
#include "netsetup/recordedit.h"
#include "base/wizardstate.h"
#include "netsetup/recordtransfer.h"

std::optional<CliResult> ReadAddressOptions(CliSession& session, SetIpRequest& request)
{
    const QCommandLineParser& parser = *session.Args().parser;
    const bool dhcp = parser.isSet(QStringLiteral("dhcp"));
    const bool fixed = parser.isSet(QStringLiteral("ip"));
    if (dhcp == fixed)
        return UsageError(QStringLiteral("give either --ip IP (with --mask and --gateway) or --dhcp"));
    request.ip = dhcp ? kDhcpAddress : parser.value(QStringLiteral("ip"));
    request.mask = parser.value(QStringLiteral("mask"));
    request.gateway = parser.value(QStringLiteral("gateway"));
    // A fixed address needs its mask and gateway; with DHCP, over the cable,
    // those not given stay as the gateway has them.
    if (fixed && (!parser.isSet(QStringLiteral("mask")) || !parser.isSet(QStringLiteral("gateway"))))
        return UsageError(QStringLiteral("give --mask MASK and --gateway IP with --ip"));
    QList<AddressField> typed {{netsetuptext::kIPAddress, request.ip}};
    if (parser.isSet(QStringLiteral("gateway")))
        typed.append({netsetuptext::kGateway, request.gateway});
    if (parser.isSet(QStringLiteral("mask")))
        typed.append({netsetuptext::kNetMask, request.mask});
    if (const auto refusal = CheckAddresses(typed))
        return RefusedOption(*refusal, session.Texts());
    request.ip = *TypedAddress(request.ip);
    request.mask = TypedAddress(request.mask).value_or(QString());
    request.gateway = TypedAddress(request.gateway).value_or(QString());

    if (parser.isSet(QStringLiteral("broadcast"))) {
        const auto hostPort = HostAndPort(parser.value(QStringLiteral("broadcast")), config::kPort);
        QHostAddress address;
        if (!hostPort || !address.setAddress(hostPort->first))
            return UsageError(QStringLiteral("--broadcast takes ADDRESS[:PORT]"));
        request.target.broadcast = address;
        request.target.port = hostPort->second;
    }
    if (parser.isSet(QStringLiteral("adapter"))) {
        const std::optional<QString> adapter = TypedAddress(parser.value(QStringLiteral("adapter")));
        if (!adapter)
            return UsageError(QStringLiteral("--adapter takes an IPv4 address"));
        request.adapterIP = *adapter;
    } else if (!request.serial && !parser.isSet(QStringLiteral("broadcast"))) {
        // As the wizard settles it at start-up: a broadcast leaves from the
        // one adapter there is, so it needs no route.
        QString description;
        SettleAdapterChoice(ListNetworkAdapters(), request.adapterIP, description);
        if (request.adapterIP == kNoAdapter)
            return DeviceError(QStringLiteral("this computer has no network adapter"));
    }
    return std::nullopt;
}

namespace {

std::variant<SetIpRequest, CliResult> RequestOf(CliSession& session)
{
    const CliArgs& args = session.Args();
    const QCommandLineParser& parser = *args.parser;
    SetIpRequest request;
    if (!args.udp.isEmpty() || !args.tcp.isEmpty() || !args.arguments.isEmpty())
        return UsageError(QStringLiteral("give the gateway as --mac MAC or --serial DEVICE"));
    const bool byMac = parser.isSet(QStringLiteral("mac"));
    request.serial = !args.serial.isEmpty();
    if (byMac == request.serial)
        return UsageError(QStringLiteral("give the gateway as either --mac MAC or --serial DEVICE"));
    if (byMac) {
        const std::optional<QString> mac = TypedMac(parser.value(QStringLiteral("mac")));
        if (!mac)
            return UsageError(QStringLiteral("--mac takes six two-digit hex bytes joined by \"-\", for example 00-20-4A-12-34-56"));
        request.mac = *mac;
    }
    request.serialPort = SetupPortOf(args.serial);

    if (auto failure = ReadAddressOptions(session, request))
        return *failure;
    const auto timeout = PromptTimeout(parser);
    if (auto* failure = std::get_if<CliResult>(&timeout))
        return *failure;
    request.promptTimeout = std::get<std::chrono::milliseconds>(timeout);
    return request;
}

} // namespace

QList<QCommandLineOption> AddressOptions()
{
    return {{QStringLiteral("ip"), QStringLiteral("The gateway's IP address."), QStringLiteral("IP")},
            {QStringLiteral("mask"), QStringLiteral("Its network mask."), QStringLiteral("MASK")},
            {QStringLiteral("gateway"), QStringLiteral("Its default gateway."), QStringLiteral("IP")},
            {QStringLiteral("dhcp"), QStringLiteral("Let the gateway take its address from DHCP.")},
            {QStringLiteral("broadcast"),
                QStringLiteral(
                    "Where IP-SETUP goes (default 255.255.255.255:30718); the port is the records' port too."),
                QStringLiteral("ADDRESS[:PORT]")}};
}

CommandOptions SetIpOptions()
{
    return {QStringLiteral("set-ip"),
        QList<QCommandLineOption>{{QStringLiteral("mac"), QStringLiteral("MAC address of the gateway (over the network)."),
                                   QStringLiteral("MAC")}}
            + AddressOptions() + QList<QCommandLineOption>{PromptTimeoutOption(), AdapterOption()},
        QStringLiteral("--mac MAC | --serial DEVICE, --ip IP --mask MASK --gateway IP | --dhcp"),
        QStringLiteral("Give a gateway its IP address over the network (IP-SETUP) or over a serial cable."),
        CommandTransport::SerialOnly};
}

std::variant<std::function<CliResult()>, CliResult> PrepareSetIp(CliSession& session)
{
    auto parsed = RequestOf(session);
    if (auto* failure = std::get_if<CliResult>(&parsed))
        return *failure;
    return std::function<CliResult()>([&session, request = std::get<SetIpRequest>(parsed)] {
        return AssignAddress(session, request);
    });
}

CliResult AssignAddress(CliSession& session, const SetIpRequest& request)
{
    DeviceRecords records;
    CliSetupView view;
    RecordTransfer transfer(session.Gateway(), session.Texts());
    transfer.SetRemotePort(request.target.port);
    UseSession(transfer, session);
    transfer.AdapterIP = request.adapterIP;
    IpAssignment assignment(transfer, records.m_Record[0], session.Texts(), view);
    assignment.Target = request.target;
    const IpTimings timings = IpTimings::FromIni(session.Ini());
    IpAssignment::Outcome outcome = IpAssignment::Outcome::Failed;
    if (request.serial) {
        // The prompt wait has a limit here: nobody may be there to abort it.
        outcome = assignment.SetIpBySerial(
            request.serialPort, {request.ip, request.gateway, request.mask}, timings, request.promptTimeout);
    } else {
        outcome = assignment.SetIpByUdp(request.mac, {request.ip, request.gateway, request.mask}, timings);
    }
    if (outcome == IpAssignment::Outcome::Failed)
        return DeviceError(QStringLiteral("the address was not set: ") + view.Outcome());
    CliResult result;
    result.Add(QStringLiteral("result"),
        outcome == IpAssignment::Outcome::Dhcp ? QStringLiteral("dhcp") : QStringLiteral("assigned"));
    result.Add(QStringLiteral("ip"), request.ip);
    result.Add(QStringLiteral("message"), view.Outcome());
    return result;
}
