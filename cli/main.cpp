#include "cliargs.h"
#include "clicommands.h"
#include "climanpage.h"
#include "clioutput.h"
#include "clisession.h"

#include "comm/waiting.h"
#include "base/stopsignals.h"
#include "base/version.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <variant>

namespace {

// Ctrl-C or SIGTERM: the running operation is cancelled and ends with its
// own failure; no further run starts.
bool g_Interrupted = false;

void PrintLine(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", qPrintable(text));
    std::fflush(stream);
}

// Runs the operation once, or --repeat times --interval apart with a summary.
int Run(const std::function<CliResult()>& operation, const CliArgs& args)
{
    const bool repeated = args.repeat != 1;
    int runs = 0;
    int ok = 0;
    int lastStatus = 0;
    QList<double> durations;
    QElapsedTimer total;
    total.start();
    while (!g_Interrupted && (args.repeat == 0 || runs < args.repeat)) {
        if (runs > 0 && args.intervalMs > 0)
            WaitUntil([] { return g_Interrupted; }, std::chrono::milliseconds(args.intervalMs));
        if (g_Interrupted)
            break;
        QElapsedTimer one;
        one.start();
        const CliResult result = operation();
        durations << static_cast<double>(one.nsecsElapsed()) / 1e6;
        ++runs;
        if (result.Ok()) {
            ++ok;
            if (!result.fields.isEmpty()) // a list has printed its rows itself
                PrintLine(stdout, FormatResult(result, args.json));
        } else {
            if (args.json || result.printedOnFailure)
                PrintLine(stdout, FormatResult(result, args.json));
            PrintLine(stderr, result.error);
        }
        lastStatus = std::max(lastStatus, ExitStatus(result.outcome));
    }
    if (repeated) {
        std::sort(durations.begin(), durations.end());
        const double median = durations.isEmpty() ? 0.0 : durations[durations.size() / 2];
        const double seconds = static_cast<double>(total.nsecsElapsed()) / 1e9;
        PrintLine(stdout, FormatSummary(runs, ok, seconds > 0 ? runs / seconds : 0.0, median, args.json));
    }
    return lastStatus;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostrand-cli"));
    QCoreApplication::setApplicationVersion(kVersionText);
    StopSignals stopSignals;

    QList<CommandOptions> options;
    for (const CliCommand& command : CliCommands())
        options << command.options;
    QCommandLineParser parser;
    CliArgs args;
    const CommandOptions* named = nullptr;
    if (const auto usage = ParseCliArgs(app.arguments(), options, parser, args, &named)) {
        PrintLine(stderr, QStringLiteral("ostrand-cli: ") + *usage);
        PrintLine(stderr, named ? QStringLiteral("Try: ostrand-cli %1 --help").arg(named->name)
                                : QStringLiteral("Try: ostrand-cli --help"));
        return 2;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        PrintLine(stdout, kVersionText);
        return 0;
    }
    if (parser.isSet(QStringLiteral("man"))) {
        std::fputs(qPrintable(CliManPage(options, kVersionText)), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        PrintLine(stdout, named ? CommandHelp(*named) : CliUsage(options));
        return 0;
    }
    CliSession session(args);
    QObject::connect(&stopSignals, &StopSignals::Stop, [&session] {
        g_Interrupted = true;
        session.Interrupt();
    });
    for (const CliCommand& command : CliCommands()) {
        if (command.options.name != args.command)
            continue;
        auto prepared = command.prepare(session);
        if (auto* failure = std::get_if<CliResult>(&prepared)) {
            PrintLine(stderr, QStringLiteral("ostrand-cli %1: %2").arg(args.command, failure->error));
            return ExitStatus(failure->outcome);
        }
        return Run(std::get<std::function<CliResult()>>(prepared), args);
    }
    return 2;
}
