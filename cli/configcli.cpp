#include "configcli.h"

#include "clisession.h"

#include "netsetup/netsetuptexts.h"
#include "netsetup/recordedit.h"
#include "netsetup/recordtransfer.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <cstdio>

using namespace std::chrono_literals;

void CliSetupView::Warn(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(OneLine(text)));
    std::fflush(stderr);
}

QString CliSetupView::Outcome() const
{
    return OneLine(info.isEmpty() ? header : header + QStringLiteral(": ") + info);
}

QString OneLine(const QString& text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\n', u' ').replace(u'\r', u' ');
    return line.simplified();
}

SetupPort SetupPortOf(const QString& serial)
{
    static const QRegularExpression comName(
        QStringLiteral("^COM(\\d{1,2})$"), QRegularExpression::CaseInsensitiveOption);
    SetupPort port;
    if (const auto match = comName.match(serial); match.hasMatch())
        port.index = match.captured(1).toInt() - 1;
    else
        port.device = serial;
    return port;
}

QCommandLineOption PromptTimeoutOption()
{
    return {QStringLiteral("prompt-timeout"),
        QStringLiteral("How long to call a gateway on --serial for its setup prompt, ms (default 60000)."),
        QStringLiteral("MS")};
}

QCommandLineOption AdapterOption()
{
    return {QStringLiteral("adapter"), QStringLiteral("Local address the configuration datagrams leave from."),
        QStringLiteral("IP")};
}

std::variant<std::chrono::milliseconds, CliResult> PromptTimeout(const QCommandLineParser& parser)
{
    if (!parser.isSet(QStringLiteral("prompt-timeout")))
        return std::chrono::milliseconds(60s);
    bool ok = false;
    const qint64 value = parser.value(QStringLiteral("prompt-timeout")).toLongLong(&ok);
    if (!ok || value < 0)
        return UsageError(QStringLiteral("--prompt-timeout takes milliseconds, 0 or more"));
    return std::chrono::milliseconds(value);
}

void UseSession(RecordTransfer& transfer, CliSession& session)
{
    transfer.WarnThrough([](const QString& text) {
        std::fprintf(stderr, "%s\n", qPrintable(OneLine(text)));
        std::fflush(stderr);
    });
    // Only set-ip offers --adapter; asking the parser for an option it does
    // not know prints a warning.
    const QCommandLineParser* parser = session.Args().parser;
    if (parser && parser->optionNames().contains(QStringLiteral("adapter")))
        transfer.AdapterIP = parser->value(QStringLiteral("adapter"));
}

CliResult RefusedOption(const RecordRefusal& refusal, const Language& language)
{
    QString option;
    switch (refusal.fieldText) {
    case netsetuptext::kIPAddress:
        option = QStringLiteral("--ip");
        break;
    case netsetuptext::kGateway:
        option = QStringLiteral("--gateway");
        break;
    case netsetuptext::kNetMask:
        option = QStringLiteral("--mask");
        break;
    default:
        return UsageError(QStringLiteral("the record does not take \"%1\"").arg(refusal.value));
    }
    // As the wizard refuses it: the field, the value and how to type one.
    return UsageError(option + QStringLiteral(": ") + OneLine(RefusalText(language, refusal)));
}

CliResult UsageError(const QString& message)
{
    return CliResult::Failure(CliResult::Outcome::UsageOrFile, message);
}

CliResult DeviceError(const QString& message)
{
    return CliResult::Failure(CliResult::Outcome::DeviceFailure, message);
}
