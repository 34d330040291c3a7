#include "metercommands.h"

#include "clisession.h"
#include "configcli.h"
#include "featurecli.h"

#include "comm/mbusapplication.h"
#include "comm/mbusframe.h"

#include <QRegularExpression>

namespace {

// A change of primary address or bus speed, and the field its result adds.
struct Change {
    FeatureProtocol::SettingChange mode;
    int newAddress;
    int speedIndex;
    QString what;
    QString key;
    int value;
};

QCommandLineOption AllMetersOption()
{
    return {QStringLiteral("all-meters"),
            QStringLiteral("Allow ADDRESS 254 or 255, which every meter on the bus takes.")};
}

// Every meter of the bus takes what goes to 254 or 255: never by a slip of the finger.
std::optional<CliResult> RefusedForEveryMeter(const CliArgs& args, quint8 address, const QString& what)
{
    if (!mbus::IsBroadcast(address) || args.parser->isSet(QStringLiteral("all-meters")))
        return std::nullopt;
    return UsageError(QStringLiteral("address %1 reaches every meter on the bus and %2 would go to them all; "
                                     "add --all-meters if that is meant")
                          .arg(address)
                          .arg(what));
}

// What became of the change, as a result: only an acknowledgement and a
// change sent to 255 (which nobody answers) succeed. The errors name the
// meter as given (its address, or its secondary address).
CliResult ChangeResult(quint8 address, ChangeOutcome outcome, const Change& change, const CliFeatureView& view,
                       const QString& meter)
{
    const bool acknowledged = outcome == ChangeOutcome::Acknowledged;
    CliResult result;
    switch (outcome) {
    case ChangeOutcome::Acknowledged:
    case ChangeOutcome::SentToAll:
        break;
    case ChangeOutcome::NotAcknowledged:
        result = DeviceError(QStringLiteral("meter %1 did not acknowledge %2: %3").arg(meter, change.what, view.Message()));
        break;
    case ChangeOutcome::NotSent:
        result = DeviceError(QStringLiteral("%1 was not sent to meter %2: %3").arg(change.what, meter, view.Message()));
        break;
    case ChangeOutcome::Unawaited:
        result = DeviceError(QStringLiteral("%1 was sent to meter %2; the answer was not awaited: %3")
                                 .arg(change.what, meter, view.Message()));
        break;
    case ChangeOutcome::Collision:
        result = DeviceError(QStringLiteral("more than one meter answered %1 at address %2: every meter may have changed")
                                 .arg(change.what)
                                 .arg(address));
        break;
    }
    const bool sent = outcome != ChangeOutcome::NotSent;
    result.Add(QStringLiteral("address"), address);
    result.Add(QStringLiteral("acknowledged"), acknowledged);
    if (outcome == ChangeOutcome::SentToAll || outcome == ChangeOutcome::Unawaited)
        result.Add(QStringLiteral("sent"), sent);
    result.Add(QStringLiteral("message"), view.Message());
    result.Add(change.key, change.value);
    return result;
}

// ADDRESS and the change's own argument, --always-init, --all-meters.
std::variant<std::function<CliResult()>, CliResult> PrepareChange(CliSession& session, const Change& change)
{
    const CliArgs& args = session.Args();
    auto target = TargetFromArguments(args, 1, false);
    if (auto* failure = std::get_if<CliResult>(&target))
        return *failure;
    const quint8 address = std::get<MeterTarget>(target).address;
    if (auto refusal = RefusedForEveryMeter(args, address, change.what))
        return *refusal;
    const bool alwaysInit = args.parser->isSet(QStringLiteral("always-init"));
    return MeterCommand(session, [&session, address, change, alwaysInit] {
        FeatureRun run(session);
        const ChangeOutcome outcome =
            run.protocol.ChangeSlaveSetting(change.mode, address, change.newAddress, change.speedIndex, alwaysInit);
        return ChangeResult(address, outcome, change, run.view, QString::number(address));
    });
}

const QString kNewAddressWhat = QStringLiteral("the new address");

// The meter selected by its whole secondary address, its new address sent
// to 253 and read back there: a success only when it answers there.
std::variant<std::function<CliResult()>, CliResult> PrepareMove(CliSession& session, int newAddress)
{
    const CliArgs& args = session.Args();
    auto target = TargetFromArguments(args, 1, true);
    if (auto* failure = std::get_if<CliResult>(&target))
        return *failure;
    if (args.parser->isSet(QStringLiteral("always-init")))
        return UsageError(QStringLiteral("a meter selected by --secondary is not sent SND_NKE: leave out --always-init"));
    const SecondaryAddress meter = *std::get<MeterTarget>(target).secondary;
    static const QRegularExpression wholeId(QStringLiteral("^[0-9]{8}$"));
    if (!wholeId.match(meter.id).hasMatch())
        return UsageError(QStringLiteral("--secondary of mbus-set-address takes the whole identification number "
                                         "(8 digits, no F or *): a wildcard could give several meters the address"));
    return MeterCommand(session, [&session, meter, newAddress] {
        FeatureRun run(session);
        const AddressMove move = run.protocol.ChangeAddressBySecondary(meter, newAddress);
        if (!move.selected)
            return DeviceError(QStringLiteral("no single meter answered the selection of %1, so nothing more was sent: %2")
                                   .arg(meter.Text(), run.view.Message()));
        const Change change{FeatureProtocol::SettingChange::Address, newAddress, 0, kNewAddressWhat,
                            QStringLiteral("new_address"), newAddress};
        CliResult result = ChangeResult(mbus::kSelectedSlave, move.change, change, run.view, meter.Text());
        if (result.Ok() && move.readBack != ReadBack::Answered) {
            const CliResult mute = DeviceError(QStringLiteral("meter %1 took the new address %2 but does not answer there: %3")
                                                   .arg(meter.Text())
                                                   .arg(newAddress)
                                                   .arg(run.view.Message()));
            result.outcome = mute.outcome;
            result.error = mute.error;
        }
        result.fields.insert(1, {QStringLiteral("secondary"), meter.Text()});
        result.fields.insert(3, {QStringLiteral("answers"), move.readBack == ReadBack::Answered});
        return result;
    });
}

} // namespace

CommandOptions MBusInitOptions()
{
    return {QStringLiteral("mbus-init"), {}, QStringLiteral("ADDRESS"),
            QStringLiteral("Initialise a meter (SND_NKE) and say whether it acknowledged."), CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareMBusInit(CliSession& session)
{
    auto target = TargetFromArguments(session.Args(), 0, false);
    if (auto* failure = std::get_if<CliResult>(&target))
        return *failure;
    return MeterCommand(session, [&session, address = std::get<MeterTarget>(target).address] {
        FeatureRun run(session);
        const bool acknowledged = run.protocol.InitialiseSlave(address);
        return Acknowledgement(address, acknowledged, QStringLiteral("SND_NKE"), run.view);
    });
}

CommandOptions MBusSetAddressOptions()
{
    return {QStringLiteral("mbus-set-address"), {SecondaryOption(), AlwaysInitOption(), AllMetersOption()},
            QStringLiteral("ADDRESS NEW | --secondary ID NEW"),
            QStringLiteral("Give a meter a new primary address (0-250); with --secondary the meter is selected by its "
                           "whole secondary address, changed at 253 and read at the new address."),
            CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareMBusSetAddress(CliSession& session)
{
    const bool bySecondary = session.Args().parser->isSet(QStringLiteral("secondary"));
    const std::optional<int> newAddress = NumberIn(session.Args().arguments.value(bySecondary ? 0 : 1), 0, 250);
    if (!newAddress)
        return UsageError(QStringLiteral("the new address must be a number from 0 to 250"));
    if (bySecondary)
        return PrepareMove(session, *newAddress);
    return PrepareChange(session, {FeatureProtocol::SettingChange::Address, *newAddress, 0, kNewAddressWhat,
                                   QStringLiteral("new_address"), *newAddress});
}

CommandOptions MBusSetSpeedOptions()
{
    return {QStringLiteral("mbus-set-speed"), {AlwaysInitOption(), AllMetersOption()}, QStringLiteral("ADDRESS BAUD"),
            QStringLiteral("Switch a meter to another bus speed (300, 600, 1200, 2400, 4800 or 9600 baud)."),
            CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareMBusSetSpeed(CliSession& session)
{
    const int speed = NumberIn(session.Args().arguments.value(1), 0, 9600).value_or(-1);
    const int speedIndex = static_cast<int>(mbus::kLineSpeeds.indexOf(speed));
    if (speedIndex < 0)
        return UsageError(QStringLiteral("the speed must be one of 300, 600, 1200, 2400, 4800, 9600"));
    return PrepareChange(session, {FeatureProtocol::SettingChange::Speed, 0, speedIndex,
                                   QStringLiteral("the new speed"), QStringLiteral("baud"), speed});
}

CommandOptions MBusAppResetOptions()
{
    return {QStringLiteral("mbus-app-reset"), {SubcodeOption(), AllMetersOption()}, QStringLiteral("ADDRESS [--subcode N]"),
            QStringLiteral("Reset a meter's application (SND_UD, CI 50h), with or without a subcode."),
            CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareMBusAppReset(CliSession& session)
{
    const CliArgs& args = session.Args();
    auto target = TargetFromArguments(args, 0, false);
    if (auto* failure = std::get_if<CliResult>(&target))
        return *failure;
    const auto choice = SubcodeChoice(*args.parser);
    if (auto* failure = std::get_if<CliResult>(&choice))
        return *failure;
    const QString what = QStringLiteral("the application reset");
    const quint8 address = std::get<MeterTarget>(target).address;
    if (auto refusal = RefusedForEveryMeter(args, address, what))
        return *refusal;
    return MeterCommand(session, [&session, address, index = std::get<int>(choice), what] {
        FeatureRun run(session);
        run.protocol.SetAppResetChoice(index);
        const bool done = run.protocol.ResetSlaveApplication(address, false);
        if (!done || address != mbus::kBroadcastQuiet)
            return Acknowledgement(address, done, what, run.view);
        CliResult result; // sent to every meter; none answers
        result.Add(QStringLiteral("address"), address);
        result.Add(QStringLiteral("acknowledged"), false);
        result.Add(QStringLiteral("sent"), true);
        result.Add(QStringLiteral("message"), run.view.Message());
        return result;
    });
}
