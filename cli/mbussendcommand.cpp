#include "mbussendcommand.h"

#include "clisession.h"

#include "comm/mbusframe.h"

namespace {

std::optional<QByteArray> HexBytes(const QString& text)
{
    QString digits = text;
    digits.remove(u' ').remove(u'\t').remove(u',');
    if (digits.size() % 2 != 0)
        return std::nullopt;
    for (const QChar c : digits) {
        if (!c.isDigit() && !(c.toUpper() >= u'A' && c.toUpper() <= u'F'))
            return std::nullopt;
    }
    return QByteArray::fromHex(digits.toLatin1());
}

std::optional<quint8> HexByte(const QString& text)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 16);
    return ok && value <= 0xFF ? std::optional<quint8>(static_cast<quint8>(value)) : std::nullopt;
}

CliResult Usage(const QString& message)
{
    return CliResult::Failure(CliResult::Outcome::UsageOrFile, message);
}

// The frame the arguments describe.
std::variant<QByteArray, CliResult> FrameFromArguments(const CliArgs& args)
{
    const QCommandLineParser& parser = *args.parser;
    if (!args.arguments.isEmpty()) {
        const std::optional<QByteArray> frame = HexBytes(args.arguments.join(u' '));
        if (!frame || frame->isEmpty())
            return Usage(QStringLiteral("the frame must be bytes in hex, for example 10 40 05 45 16"));
        return *frame;
    }
    if (!parser.isSet(QStringLiteral("c")) || !parser.isSet(QStringLiteral("a")))
        return Usage(QStringLiteral("give the frame in hex, or --c HH and --a N (and --ci HH, --data HEX for a long frame)"));
    const std::optional<quint8> control = HexByte(parser.value(QStringLiteral("c")));
    bool ok = false;
    const uint address = parser.value(QStringLiteral("a")).toUInt(&ok);
    if (!control || !ok || address > 255)
        return Usage(QStringLiteral("--c takes a hex byte and --a an address from 0 to 255"));
    if (!parser.isSet(QStringLiteral("ci"))) {
        if (parser.isSet(QStringLiteral("data")))
            return Usage(QStringLiteral("--data needs --ci (a long frame)"));
        return ShortFrame(*control, static_cast<quint8>(address));
    }
    const std::optional<quint8> ci = HexByte(parser.value(QStringLiteral("ci")));
    const std::optional<QByteArray> data = HexBytes(parser.value(QStringLiteral("data")));
    if (!ci || !data)
        return Usage(QStringLiteral("--ci takes a hex byte and --data hex bytes"));
    const std::optional<QByteArray> frame = LongFrame(*control, static_cast<quint8>(address), *ci, *data);
    if (!frame)
        return Usage(QStringLiteral("--data holds more than %1 bytes").arg(mbus::kMaxLongFrameData));
    return *frame;
}

} // namespace

CommandOptions MBusSendOptions()
{
    return {QStringLiteral("mbus-send"),
            {{QStringLiteral("c"), QStringLiteral("C field (hex)."), QStringLiteral("HH")},
             {QStringLiteral("a"), QStringLiteral("A field (0-255)."), QStringLiteral("N")},
             {QStringLiteral("ci"), QStringLiteral("CI field (hex): makes a long frame."), QStringLiteral("HH")},
             {QStringLiteral("data"), QStringLiteral("Data of a long frame (hex)."), QStringLiteral("HEX")}},
            QStringLiteral("HEX... | --c HH --a N [--ci HH] [--data HEX]"),
            QStringLiteral("Send one M-Bus frame through the gateway and print the reply."), CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareMBusSend(CliSession& session)
{
    auto frame = FrameFromArguments(session.Args());
    if (auto* failure = std::get_if<CliResult>(&frame))
        return *failure;
    if (auto failure = session.OpenTransport(ini::kFeatureTimings, 2400, true))
        return *failure;
    return std::function<CliResult()>([&session, bytes = std::get<QByteArray>(frame)] {
        Link& link = session.Transactions();
        if (auto failure = session.ReopenIfClosed())
            return *failure;
        link.SendFrame(bytes);
        const ReplyOutcome heard = link.WaitMBusReply(link.BusTimeout, bytes);
        if (heard.kind != ReplyOutcome::Kind::Reply)
            return CliResult::Failure(CliResult::Outcome::DeviceFailure, QStringLiteral("no reply: ") + heard.note);
        const QByteArray& reply = heard.bytes;
        CliResult result;
        result.Add(QStringLiteral("reply"), QString::fromLatin1(reply.toHex().toUpper()));
        result.Add(QStringLiteral("bytes"), static_cast<int>(reply.size()));
        return result;
    });
}
