#include "pingcommand.h"

#include "clisession.h"
#include "clitable.h"

#include "netsetup/pingtest.h"
#include "netsetup/platform/icmpecho.h"
#include "netsetup/recordedit.h"

namespace {

CliResult Usage(const QString& message)
{
    return CliResult::Failure(CliResult::Outcome::UsageOrFile, message);
}

// Each echo as a row; the information box's text is the wizard's.
class PingPrinter : public PingTestSink {
public:
    explicit PingPrinter(bool json)
        : m_Table({QStringLiteral("seq"), QStringLiteral("time_ms")}, json)
    {
    }
    void SetText(const QString&) override {}
    void AppendText(const QString&) override {}
    void EchoDone(int number, bool answered, qint64 milliseconds) override
    {
        m_Table.Row({number, answered ? QVariant(milliseconds) : QVariant(QStringLiteral("failed"))});
    }

private:
    CliTable m_Table;
};

std::optional<int> NumberOption(const QCommandLineParser& parser, const QString& name, int minimum, int maximum)
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

} // namespace

CommandOptions PingOptions()
{
    return {QStringLiteral("ping"),
            {{QStringLiteral("count"), QStringLiteral("Pings to send (default: the INI file's NumberOfPings)."), QStringLiteral("N")},
             {QStringLiteral("delay"), QStringLiteral("Milliseconds between pings (default: PingDelay)."), QStringLiteral("MS")}},
            QStringLiteral("HOST"), QStringLiteral("Ping a gateway as the wizard's ping test does.")};
}

std::variant<std::function<CliResult()>, CliResult> PreparePing(CliSession& session)
{
    const CliArgs& args = session.Args();
    const QCommandLineParser& parser = *args.parser;
    if (args.arguments.size() != 1)
        return Usage(QStringLiteral("ping takes one address"));
    const std::optional<QString> address = TypedAddress(args.arguments.front());
    if (!address)
        return Usage(NotAnAddress(args.arguments.front()));
    PingTestSettings settings = PingTestSettingsFromIni(session.Ini());
    if (parser.isSet(QStringLiteral("count"))) {
        const auto count = NumberOption(parser, QStringLiteral("count"), 0, 32767);
        if (!count)
            return Usage(QStringLiteral("--count takes a number from 0 to 32767"));
        settings.numberOfPings = *count;
    }
    if (parser.isSet(QStringLiteral("delay"))) {
        const auto delay = NumberOption(parser, QStringLiteral("delay"), 0, INT_MAX);
        if (!delay)
            return Usage(QStringLiteral("--delay takes milliseconds, 0 or more"));
        settings.delay = std::chrono::milliseconds(*delay);
    }

    return std::function<CliResult()>([&session, settings, address = *address] {
        PingPrinter printer(session.Args().json);
        DeviceOperations& operations = session.Operations();
        const PingTestResult result = RunPingTest(
            address, settings, session.Texts(),
            [&operations](const QString& ip) { return PingOnce(ip, std::chrono::milliseconds(1000), &operations); },
            printer, operations);
        if (!result.completed)
            return CliResult::Failure(CliResult::Outcome::DeviceFailure,
                                      QStringLiteral("%1 did not answer ping %2 of %3").arg(address).arg(result.count).arg(settings.numberOfPings));
        CliResult summary;
        summary.Add(QStringLiteral("count"), result.count);
        summary.Add(QStringLiteral("total_ms"), result.totalMs);
        return summary;
    });
}
