#include "featurecli.h"

#include "clisession.h"
#include "configcli.h"

#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"
#include "features/slaveidentification.h"

#include <QCommandLineParser>
#include <QRegularExpression>

FeatureRun::FeatureRun(CliSession& session)
    : protocol(session.Transactions(), session.Operations(), session.Texts(), session.Fcb(), view)
{
}

QString CliFeatureView::Message() const
{
    return OneLine(m_Info);
}

std::optional<int> NumberIn(const QString& text, int minimum, int maximum)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

std::optional<SecondaryAddress> ParseSecondaryAddress(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral("^([0-9A-Fa-f]{8})([0-9A-Fa-f]{4})([0-9A-Fa-f]{2})([0-9A-Fa-f]{2})$"));
    const QRegularExpressionMatch digits = whole.match(QString(text).remove(u' '));
    const QStringList parts = digits.hasMatch() ? digits.capturedTexts().mid(1)
                                                : text.split(QRegularExpression(QStringLiteral("[,.]")));
    if (parts.size() > 4)
        return std::nullopt;
    static const QRegularExpression id(QStringLiteral("^[0-9Ff*]{0,8}$"));
    static const QRegularExpression hex4(QStringLiteral("^[0-9A-Fa-f]{0,4}$"));
    static const QRegularExpression hex2(QStringLiteral("^[0-9A-Fa-f]{0,2}$"));
    static const QRegularExpression letters(QStringLiteral("^[A-Za-z]{3}$"));
    SecondaryAddress address;
    address.id = parts.value(0).trimmed();
    address.manufacturer = parts.value(1).trimmed();
    address.version = parts.value(2).trimmed();
    address.medium = parts.value(3).trimmed();
    if (!id.match(address.id).hasMatch() || !hex2.match(address.version).hasMatch() ||
        !hex2.match(address.medium).hasMatch())
        return std::nullopt;
    if (letters.match(address.manufacturer).hasMatch()) {
        address.manufacturer = ManufacturerText(*ManufacturerCode(address.manufacturer.toUpper()));
    } else if (!hex4.match(address.manufacturer).hasMatch()) {
        return std::nullopt;
    }
    address.id = NormaliseSecondaryId(address.id, 8);
    return address;
}

std::variant<MeterTarget, CliResult> TargetFromArguments(const CliArgs& args, int argumentsAfter, bool secondaryAllowed)
{
    const QCommandLineParser& parser = *args.parser;
    MeterTarget target;
    const bool bySecondary = secondaryAllowed && parser.isSet(QStringLiteral("secondary"));
    const int expected = (bySecondary ? 0 : 1) + argumentsAfter;
    if (args.arguments.size() != expected)
        return UsageError(secondaryAllowed ? QStringLiteral("give the meter as ADDRESS (0-255) or --secondary ID, and nothing more")
                                           : QStringLiteral("wrong number of arguments"));
    if (bySecondary) {
        target.secondary = ParseSecondaryAddress(parser.value(QStringLiteral("secondary")));
        if (!target.secondary)
            return UsageError(QStringLiteral("--secondary takes ID[,MANUFACTURER,VERSION,MEDIUM]: up to 8 digits (F or * "
                                             "for any), 4 hex digits or 3 letters, 2 hex digits, 2 hex digits"));
        target.address = mbus::kSelectedSlave;
        return target;
    }
    const std::optional<int> address = NumberIn(args.arguments.front(), 0, 255);
    if (!address)
        return UsageError(QStringLiteral("the address must be a number from 0 to 255"));
    target.address = static_cast<quint8>(*address);
    return target;
}

std::optional<CliResult> SelectTarget(FeatureRun& run, const MeterTarget& target)
{
    if (!target.secondary)
        return std::nullopt;
    const SecondaryAddress& secondary = *target.secondary;
    if (run.protocol.SelectSlaveBySecondaryAddress(secondary.id, secondary.manufacturer, secondary.version,
                                                   secondary.medium))
        return std::nullopt;
    return DeviceError(QStringLiteral("no meter answered the selection of %1: %2").arg(secondary.Text(), run.view.Message()));
}

QCommandLineOption SecondaryOption()
{
    return {QStringLiteral("secondary"),
            QStringLiteral("Select the meter by secondary address first (F or * for any digit) and talk to address 253."),
            QStringLiteral("ID[,MANUFACTURER,VERSION,MEDIUM]")};
}

QCommandLineOption AlwaysInitOption()
{
    return {QStringLiteral("always-init"), QStringLiteral("Send SND_NKE to the meter first.")};
}

QCommandLineOption SubcodeOption()
{
    return {QStringLiteral("subcode"), QStringLiteral("Application reset subcode 0-15 (default: none)."),
            QStringLiteral("N")};
}

std::variant<int, CliResult> SubcodeChoice(const QCommandLineParser& parser)
{
    if (!parser.isSet(QStringLiteral("subcode")))
        return 0;
    const std::optional<int> subcode = NumberIn(parser.value(QStringLiteral("subcode")), 0, 15);
    if (!subcode)
        return UsageError(QStringLiteral("--subcode takes a number from 0 to 15"));
    return *subcode + 1;
}

CliResult Acknowledgement(quint8 address, bool acknowledged, const QString& what, const CliFeatureView& view)
{
    CliResult result = acknowledged ? CliResult()
                                    : DeviceError(QStringLiteral("meter %1 did not acknowledge %2: %3")
                                                      .arg(address)
                                                      .arg(what, view.Message()));
    result.Add(QStringLiteral("address"), address);
    result.Add(QStringLiteral("acknowledged"), acknowledged);
    result.Add(QStringLiteral("message"), view.Message());
    return result;
}

std::variant<std::function<CliResult()>, CliResult> MeterCommand(CliSession& session,
                                                                  std::function<CliResult()> operation)
{
    if (auto failure = session.OpenTransport(ini::kFeatureTimings, 2400, true))
        return *failure;
    return std::function<CliResult()>([&session, operation = std::move(operation)] {
        if (auto failure = session.ReopenIfClosed())
            return *failure;
        return operation();
    });
}
