#include "asciireadcommand.h"

#include "clisession.h"

#include "ascii/asciiclient.h"

#include <memory>

namespace {

CliResult Usage(const QString& message)
{
    return CliResult::Failure(CliResult::Outcome::UsageOrFile, message);
}

// The result as a script reads it: the value, or the error letter's text
// (and the letter) with status 1.
CliResult Reported(const AsciiReadResult& read, int protocol)
{
    CliResult result;
    switch (read.kind) {
    case ReplyOutcome::Kind::Reply:
        result.Add(QStringLiteral("value"), QString::fromLatin1(AsciiReplyValue(read.bytes, protocol)));
        result.Add(QStringLiteral("sequence"), read.sequence);
        return result;
    case ReplyOutcome::Kind::DeviceError:
        result = CliResult::Failure(CliResult::Outcome::DeviceFailure, read.note);
        result.Add(QStringLiteral("letter"), QString(QLatin1Char(AsciiErrorLetter(read.bytes))));
        result.Add(QStringLiteral("sequence"), read.sequence);
        return result;
    case ReplyOutcome::Kind::BadReply:
        return CliResult::Failure(CliResult::Outcome::DeviceFailure, read.note);
    case ReplyOutcome::Kind::Cancelled:
    case ReplyOutcome::Kind::Closed:
    case ReplyOutcome::Kind::Timeout:
        return CliResult::Failure(CliResult::Outcome::DeviceFailure, QStringLiteral("no reply: ") + read.note);
    case ReplyOutcome::Kind::NotRun:
        break;
    }
    return CliResult::Failure(CliResult::Outcome::DeviceFailure, QStringLiteral("another operation is running"));
}

} // namespace

CommandOptions AsciiReadOptions()
{
    return {QStringLiteral("ascii-read"),
            {{QStringLiteral("station"), QStringLiteral("Multidrop station 0-99 (default 0)."), QStringLiteral("N")},
             {QStringLiteral("crc"), QStringLiteral("Protocol 1: the request carries a checksum.")}},
            QStringLiteral("TAG [--station N] [--crc]"),
            QStringLiteral("Read one item through the gateway's ASCII protocol."), CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareAsciiRead(CliSession& session)
{
    const CliArgs& args = session.Args();
    const QCommandLineParser& parser = *args.parser;
    if (args.arguments.size() != 1 || args.arguments.front().isEmpty())
        return Usage(QStringLiteral("ascii-read takes one item name"));
    const QString tag = args.arguments.front();
    for (const QChar c : tag) {
        if (c.unicode() > 0xFF)
            return Usage(QStringLiteral("the item name must be single-byte characters"));
    }
    int station = 0;
    if (parser.isSet(QStringLiteral("station"))) {
        bool ok = false;
        station = parser.value(QStringLiteral("station")).toInt(&ok);
        if (!ok || station < 0 || station > ascii::kHighestStation)
            return Usage(QStringLiteral("--station takes a number from 0 to 99"));
    }
    const int protocol = parser.isSet(QStringLiteral("crc")) ? ascii::kStandardWithChecksum : ascii::kStandard;
    if (auto failure = session.OpenTransport(ini::kAsciiTimings, 9600, false))
        return *failure;
    auto client = std::make_shared<AsciiClient>(session.Gateway(), session.Transactions(), session.Log());
    return std::function<CliResult()>([client, protocol, station, bytes = tag.toLatin1()] {
        return Reported(client->ReadAsciiItem(protocol, station, bytes), protocol);
    });
}
