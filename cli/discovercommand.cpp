#include "discovercommand.h"

#include "clisession.h"
#include "clitable.h"

#include "base/wizardstate.h"
#include "netsetup/adapterchoice.h"
#include "netsetup/discovery.h"
#include "netsetup/discoveryfigures.h"
#include "netsetup/netsetuptexts.h"
#include "netsetup/platform/arp.h"
#include "netsetup/platform/networkadapters.h"
#include "netsetup/recordedit.h"

#include <cstdio>

namespace {

CliResult Usage(const QString& message)
{
    return CliResult::Failure(CliResult::Outcome::UsageOrFile, message);
}

// Rows once their reachability is known; socket trouble on standard error.
class DiscoverPrinter : public DiscoverySink {
public:
    DiscoverPrinter(const Language& language, bool json)
        : m_Language(language)
        , m_Table({QStringLiteral("ip"), QStringLiteral("mac"), QStringLiteral("family"), QStringLiteral("serial"),
                   QStringLiteral("reachable")},
                  json)
    {
    }

    void DeviceFound(int, const FoundDevice&) override {}
    void DeviceChecked(int, const FoundDevice& device) override
    {
        const DiscoveryAnswer& answer = device.answer;
        m_Table.Row({answer.ip, answer.mac, answer.family.isEmpty() ? QStringLiteral("unknown") : answer.family,
                     answer.serialNumber ? QVariant(static_cast<qulonglong>(*answer.serialNumber)) : QVariant(),
                     device.reachable});
    }
    void SendFailed(const QString& description) override { Warn(netsetuptext::kDiscoveryNotSent, description); }
    void SocketFailed(const QString& description) override { Warn(netsetuptext::kDiscoverySocketError, description); }

    QString failure;

private:
    void Warn(int textId, const QString& description)
    {
        failure = description;
        std::fprintf(stderr, "%s\n", qPrintable(m_Language.GetLanguageText(textId) + QStringLiteral(" '") + description + u'\''));
        std::fflush(stderr);
    }

    const Language& m_Language;
    CliTable m_Table;
};

QCommandLineOption TargetOption()
{
    QCommandLineOption target(QStringLiteral("target"), QStringLiteral("Send the query here instead of broadcasting it."),
                              QStringLiteral("HOST[:PORT]"));
    target.setFlags(QCommandLineOption::HiddenFromHelp);
    return target;
}

} // namespace

QList<QCommandLineOption> DiscoveryOptions()
{
    return {{QStringLiteral("adapter"), QStringLiteral("Local address the datagrams leave from."), QStringLiteral("IP")},
            {QStringLiteral("scan-timeout"), QStringLiteral("Quiet time after the last answer that ends the scan, ms."),
             QStringLiteral("MS")},
            TargetOption()};
}

CommandOptions DiscoverOptions()
{
    return {QStringLiteral("discover"),
            DiscoveryOptions() + QList<QCommandLineOption>{
             {QStringLiteral("stats"), QStringLiteral("After the rows, one line: answers=N receive_buffer=BYTES "
                                                      "last_answer_ms=MS quiet_ended_ms=MS.")}},
            QString(), QStringLiteral("Find the gateways on the LAN: address, MAC, family, serial number, reachability.")};
}

std::variant<ScanOptions, CliResult> DiscoveryOptionsOf(CliSession& session)
{
    const QCommandLineParser& parser = *session.Args().parser;
    ScanOptions options;
    options.scanTime = ScanTimeFromIni(session.Ini());
    options.operations = &session.Operations();
    options.isReachable = [&session](const QString& ip) { return ReachableByArp(ip, &session.Operations()); };
    if (parser.isSet(QStringLiteral("scan-timeout"))) {
        bool ok = false;
        const int ms = parser.value(QStringLiteral("scan-timeout")).toInt(&ok);
        if (!ok || ms < 0)
            return Usage(QStringLiteral("--scan-timeout takes milliseconds, 0 or more"));
        options.scanTime = std::chrono::milliseconds(ms);
    }
    if (parser.isSet(QStringLiteral("target"))) {
        const auto target = HostAndPort(parser.value(QStringLiteral("target")), config::kPort);
        const QHostAddress address(target ? target->first : QString());
        if (address.isNull())
            return Usage(QStringLiteral("--target takes an address and a port, for example 127.0.0.1:30718"));
        options.target = {address, target->second};
    }

    if (parser.isSet(QStringLiteral("adapter"))) {
        const std::optional<QString> adapter = TypedAddress(parser.value(QStringLiteral("adapter")));
        if (!adapter)
            return Usage(QStringLiteral("--adapter takes an IPv4 address"));
        options.adapterIP = *adapter;
    } else if (!parser.isSet(QStringLiteral("target"))) {
        // As the wizard settles it at start-up, without a saved choice.
        QString description;
        SettleAdapterChoice(ListNetworkAdapters(), options.adapterIP, description);
        if (options.adapterIP == kNoAdapter)
            return CliResult::Failure(CliResult::Outcome::DeviceFailure, QStringLiteral("this computer has no network adapter"));
    }

    return options;
}

std::variant<std::function<CliResult()>, CliResult> PrepareDiscover(CliSession& session)
{
    if (!session.Args().arguments.isEmpty())
        return Usage(QStringLiteral("discover takes no arguments"));
    auto prepared = DiscoveryOptionsOf(session);
    if (auto* failure = std::get_if<CliResult>(&prepared))
        return *failure;
    const ScanOptions options = std::get<ScanOptions>(prepared);
    const QCommandLineParser& parser = *session.Args().parser;
    const bool stats = parser.isSet(QStringLiteral("stats"));
    return std::function<CliResult()>([&session, options, stats] {
        DiscoverPrinter printer(session.Texts(), session.Args().json);
        ScanFigures figures;
        const ScanResult scan = ScanLanDevices(options, printer, figures);
        if (!printer.failure.isEmpty())
            return CliResult::Failure(CliResult::Outcome::DeviceFailure, QStringLiteral("the search failed: ") + printer.failure);
        CliResult result;
        if (stats) {
            result.Add(QStringLiteral("answers"), static_cast<int>(scan.devices.size()));
            result.Add(QStringLiteral("receive_buffer"), figures.receiveBufferBytes);
            result.Add(QStringLiteral("last_answer_ms"), static_cast<qlonglong>(figures.lastAnswer.count()));
            result.Add(QStringLiteral("quiet_ended_ms"), static_cast<qlonglong>(figures.quietEnded.count()));
        }
        return result;
    });
}
