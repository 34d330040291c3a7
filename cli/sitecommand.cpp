#include "sitecommand.h"

#include "clisession.h"
#include "configcli.h"
#include "discovercommand.h"
#include "featurecli.h"
#include "meterreadcommands.h"
#include "scancommands.h"
#include "setipcommand.h"
#include "netsetup/configprotocol.h"
#include "comm/mbusapplication.h"

#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <optional>

namespace {

struct SiteRequest {
    bool discover = false;
    ScanOptions discovery;
    quint16 dataPort = kDefaultGatewayPort;
    quint16 configPort = config::kPort; // where the line speed is read unless given
    std::optional<SetIpRequest> address;
    int first = 0;
    int last = 250;
    std::optional<qint64> lineSpeed;
};

// A section of the report: a line of its own in text, one member of the
// document in JSON.
class SiteReport {
public:
    explicit SiteReport(bool json)
        : m_Json(json)
    {
    }

    void Section(const QString& name, const CliResult& fields)
    {
        if (!m_Json) {
            std::fprintf(stdout, "%s\n", qPrintable(FormatResult(fields, false)));
            std::fflush(stdout);
            return;
        }
        m_Document.Add(name, MapOf(fields));
    }
    void Meter(const CliResult& fields) { m_Meters << MapOf(fields); }

    // Text: the closing line is printed here and a success returns no
    // fields. JSON: the whole document.
    CliResult Finish(CliResult closing)
    {
        if (!m_Json) {
            if (!closing.fields.isEmpty())
                std::fprintf(stdout, "%s\n", qPrintable(FormatResult(closing, false)));
            std::fflush(stdout);
            closing.fields.clear();
            return closing;
        }
        CliResult document = m_Document;
        document.outcome = closing.outcome;
        document.error = closing.error;
        document.Add(QStringLiteral("meters"), m_Meters);
        document.fields += closing.fields;
        return document;
    }

private:
    static QVariantMap MapOf(const CliResult& result)
    {
        QVariantMap map;
        for (const auto& [key, value] : result.fields)
            map.insert(key, value);
        if (!result.Ok())
            map.insert(QStringLiteral("error"), result.error);
        return map;
    }

    bool m_Json;
    CliResult m_Document;
    QVariantList m_Meters;
};

// Reports nothing while discovery runs: the site takes the first gateway
// that answers.
class FirstAnswer : public DiscoverySink {
public:
    void DeviceFound(int, const FoundDevice&) override {}
    void DeviceChecked(int, const FoundDevice&) override {}
    void SendFailed(const QString& description) override { failure = description; }
    void SocketFailed(const QString& description) override { failure = description; }
    QString failure;
};

std::optional<CliResult> NumberOption(const QCommandLineParser& parser, const char* name, int minimum, int maximum, int& value)
{
    const QString option = QString::fromLatin1(name);
    if (!parser.isSet(option))
        return std::nullopt;
    const std::optional<int> number = NumberIn(parser.value(option), minimum, maximum);
    if (!number)
        return UsageError(QStringLiteral("--%1 takes a number from %2 to %3").arg(option).arg(minimum).arg(maximum));
    value = *number;
    return std::nullopt;
}

std::variant<SiteRequest, CliResult> RequestOf(CliSession& session)
{
    const CliArgs& args = session.Args();
    const QCommandLineParser& parser = *args.parser;
    if (!args.arguments.isEmpty())
        return UsageError(QStringLiteral("site takes no arguments, only options"));
    SiteRequest request;
    request.discover = args.udp.isEmpty() && args.tcp.isEmpty() && args.serial.isEmpty();
    if (request.discover) {
        auto discovery = DiscoveryOptionsOf(session);
        if (auto* failure = std::get_if<CliResult>(&discovery))
            return *failure;
        request.discovery = std::get<ScanOptions>(discovery);
        request.discovery.isReachable = {}; // the transparent port tells
    }
    int dataPort = request.dataPort;
    int speed = 0;
    for (auto failure : {NumberOption(parser, "first", 0, 250, request.first),
                         NumberOption(parser, "last", 0, 250, request.last),
                         NumberOption(parser, "data-port", 1, 65535, dataPort),
                         NumberOption(parser, "line-speed", 300, 9600, speed)}) {
        if (failure)
            return *failure;
    }
    if (request.last < request.first)
        return UsageError(QStringLiteral("--last is below --first"));
    request.dataPort = static_cast<quint16>(dataPort);
    if (speed != 0) {
        if (!mbus::kLineSpeeds.contains(speed))
            return UsageError(QStringLiteral("--line-speed takes 300, 600, 1200, 2400, 4800 or 9600"));
        request.lineSpeed = speed;
    }
    if (parser.isSet(QStringLiteral("dhcp")))
        return UsageError(QStringLiteral("the site is read at the address it is given: use --ip, not --dhcp"));
    if (parser.isSet(QStringLiteral("ip"))) {
        if (!request.discover)
            return UsageError(QStringLiteral("--ip sets the address of the gateway discovery finds: leave out --udp, --tcp and --serial"));
        SetIpRequest address;
        if (auto failure = ReadAddressOptions(session, address))
            return *failure;
        request.address = address;
    }
    return request;
}

// Finds the gateway, gives it its address, and opens its transparent port;
// the configuration port it answered from is where its record is read.
std::optional<CliResult> ReachGateway(CliSession& session, SiteRequest& request, SiteReport& report)
{
    if (request.discover) {
        FirstAnswer sink;
        const ScanResult scan = ScanLanDevices(request.discovery, sink);
        if (!sink.failure.isEmpty())
            return DeviceError(QStringLiteral("the search failed: ") + sink.failure);
        if (scan.devices.isEmpty())
            return DeviceError(QStringLiteral("no gateway answered the search"));
        const DiscoveryAnswer& found = scan.devices.first().answer;
        if (scan.devices.first().configPort != 0)
            request.configPort = scan.devices.first().configPort;
        CliResult gateway;
        gateway.Add(QStringLiteral("gateway"), found.ip);
        gateway.Add(QStringLiteral("mac"), found.mac);
        gateway.Add(QStringLiteral("family"), found.family.isEmpty() ? QStringLiteral("unknown") : found.family);
        report.Section(QStringLiteral("gateway"), gateway);
        QString ip = found.ip;
        if (request.address) {
            request.address->mac = found.mac;
            if (request.address->adapterIP.isEmpty())
                request.address->adapterIP = request.discovery.adapterIP;
            const CliResult assigned = AssignAddress(session, *request.address);
            if (!assigned.Ok())
                return assigned;
            report.Section(QStringLiteral("address"), assigned);
            ip = request.address->ip;
        }
        session.UseUdpGateway(QStringLiteral("%1:%2").arg(ip).arg(request.dataPort));
    }
    return session.OpenTransport(ini::kFeatureTimings, 2400, true);
}

// The meter as the scan heard it: the scan's own reply where it brought one
// whole, its collision or silence as it was heard (a second wait would hear
// them again), a read of its own where the scan left it unsure.
std::variant<IdentificationRead, CliResult> MeterOf(CliSession& session, const ScannedMeter& meter)
{
    switch (meter.heard) {
    case ScannedMeter::Heard::Reply:
        return IdentifiedReply(meter.reply);
    case ScannedMeter::Heard::Collision:
        return DeviceError(QStringLiteral("collision at address %1: more than one meter answers there").arg(meter.address));
    case ScannedMeter::Heard::Silence:
        return DeviceError(QStringLiteral("meter %1 did not answer the scan's REQ_UD2").arg(meter.address));
    case ScannedMeter::Heard::Unsure:
        break;
    }
    return ReadMeterAt(session, static_cast<quint8>(meter.address));
}

CliResult RunSite(CliSession& session, SiteRequest request)
{
    QElapsedTimer started;
    started.start();
    SiteReport report(session.Args().json);
    // Ctrl-C ends the step that runs with its own failure; the site says why it stopped
    const auto stopped = [&session](CliResult failure) {
        if (session.Interrupted())
            failure.error.prepend(QStringLiteral("the site was interrupted: "));
        return failure;
    };
    if (auto failure = ReachGateway(session, request, report))
        return report.Finish(stopped(*failure));

    const PrimaryScanOutcome scan =
        RunFastPrimaryScan(session, request.first, request.last, request.lineSpeed, request.configPort);
    report.Section(QStringLiteral("scan"), scan.summary);
    if (!scan.summary.Ok())
        return report.Finish(stopped(CliResult::Failure(scan.summary.outcome, scan.summary.error)));

    int read = 0;
    for (const ScannedMeter& found : scan.found) {
        if (session.Interrupted())
            break;
        auto meter = MeterOf(session, found);
        if (const auto* failure = std::get_if<CliResult>(&meter)) {
            CliResult missing = *failure;
            missing.fields.prepend({QStringLiteral("address"), found.address});
            if (!session.Args().json) {
                missing.Add(QStringLiteral("error"), failure->error);
                std::fprintf(stdout, "%s\n", qPrintable(FormatResult(missing, false)));
                std::fflush(stdout);
            }
            report.Meter(missing);
            continue;
        }
        ++read;
        report.Meter(RecordsResult(std::get<IdentificationRead>(meter), session.Args().json));
    }

    CliResult closing;
    closing.Add(QStringLiteral("meters_found"), static_cast<int>(scan.found.size()));
    closing.Add(QStringLiteral("meters_read"), read);
    closing.Add(QStringLiteral("seconds"), static_cast<qint64>(std::llround(static_cast<double>(started.elapsed()) / 1000.0)));
    if (session.Interrupted()) {
        closing.outcome = CliResult::Outcome::DeviceFailure;
        closing.error = QStringLiteral("the site was interrupted: %1 of the %2 meters found were read").arg(read).arg(scan.found.size());
    } else if (read < scan.found.size()) {
        closing.outcome = CliResult::Outcome::DeviceFailure;
        closing.error = QStringLiteral("%1 of the %2 meters found could not be read").arg(scan.found.size() - read).arg(scan.found.size());
    }
    return report.Finish(closing);
}

} // namespace

CommandOptions SiteOptions()
{
    QList<QCommandLineOption> options = {
        {QStringLiteral("first"), QStringLiteral("First primary address of the scan (default 0)."), QStringLiteral("N")},
        {QStringLiteral("last"), QStringLiteral("Last primary address of the scan (default 250)."), QStringLiteral("N")},
        {QStringLiteral("line-speed"), QStringLiteral("The M-Bus line speed, instead of the serial speed or the gateway's record."),
         QStringLiteral("BAUD")},
        {QStringLiteral("data-port"), QStringLiteral("The transparent port of the gateway discovery finds (default 10001)."),
         QStringLiteral("N")},
    };
    // set-ip's --dhcp stays known, to be refused with a reason: the site is
    // read at the address it is given
    for (QCommandLineOption address : AddressOptions()) {
        if (address.names().contains(QStringLiteral("dhcp")))
            address.setFlags(QCommandLineOption::HiddenFromHelp);
        options << address;
    }
    return {QStringLiteral("site"), options + DiscoveryOptions(),
            QStringLiteral("[--udp HOST[:PORT] | --tcp HOST[:PORT] | --serial DEVICE] [--ip IP --mask MASK --gateway IP] "
                           "[--first N] [--last N] [--line-speed BAUD]"),
            QStringLiteral("The whole site in one run: find the gateway (unless given), set its address (--ip), "
                           "fast-scan the primary addresses and read every meter found."),
            CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareSite(CliSession& session)
{
    auto request = RequestOf(session);
    if (auto* failure = std::get_if<CliResult>(&request))
        return *failure;
    return std::function<CliResult()>([&session, request = std::get<SiteRequest>(request)] { return RunSite(session, request); });
}
