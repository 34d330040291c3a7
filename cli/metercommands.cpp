#include "metercommands.h"

#include "clisession.h"
#include "configcli.h"
#include "featurecli.h"

namespace {

// The bus speeds in the order of their speed codes (B8h + index).
const QList<int> kBusSpeeds = {300, 600, 1200, 2400, 4800, 9600};

// A change of primary address or bus speed, and the field its result adds.
struct Change {
    int mode;
    int newAddress;
    int speedIndex;
    QString what;
    QString key;
    int value;
};

// ADDRESS and the change's own argument, --always-init.
std::variant<std::function<CliResult()>, CliResult> PrepareChange(CliSession& session, const Change& change)
{
    const CliArgs& args = session.Args();
    auto target = TargetFromArguments(args, 1, false);
    if (auto* failure = std::get_if<CliResult>(&target))
        return *failure;
    const bool alwaysInit = args.parser->isSet(QStringLiteral("always-init"));
    return MeterCommand(session, [&session, address = std::get<MeterTarget>(target).address, change, alwaysInit] {
        FeatureRun run(session);
        const bool acknowledged =
            run.protocol.ChangeSlaveSetting(change.mode, address, change.newAddress, change.speedIndex, alwaysInit);
        CliResult result = Acknowledgement(address, acknowledged, change.what, run.view);
        result.Add(change.key, change.value);
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
    return {QStringLiteral("mbus-set-address"), {AlwaysInitOption()}, QStringLiteral("ADDRESS NEW"),
            QStringLiteral("Give a meter a new primary address (0-250)."), CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareMBusSetAddress(CliSession& session)
{
    const std::optional<int> newAddress = NumberIn(session.Args().arguments.value(1), 0, 250);
    if (!newAddress)
        return UsageError(QStringLiteral("the new address must be a number from 0 to 250"));
    return PrepareChange(session, {FeatureProtocol::kChangeAddress, *newAddress, 0, QStringLiteral("the new address"),
                                   QStringLiteral("new_address"), *newAddress});
}

CommandOptions MBusSetSpeedOptions()
{
    return {QStringLiteral("mbus-set-speed"), {AlwaysInitOption()}, QStringLiteral("ADDRESS BAUD"),
            QStringLiteral("Switch a meter to another bus speed (300, 600, 1200, 2400, 4800 or 9600 baud)."),
            CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareMBusSetSpeed(CliSession& session)
{
    const int speedIndex =
        static_cast<int>(kBusSpeeds.indexOf(NumberIn(session.Args().arguments.value(1), 0, 9600).value_or(-1)));
    if (speedIndex < 0)
        return UsageError(QStringLiteral("the speed must be one of 300, 600, 1200, 2400, 4800, 9600"));
    return PrepareChange(session, {FeatureProtocol::kChangeSpeed, 0, speedIndex, QStringLiteral("the new speed"),
                                   QStringLiteral("baud"), kBusSpeeds[speedIndex]});
}

CommandOptions MBusAppResetOptions()
{
    return {QStringLiteral("mbus-app-reset"), {SubcodeOption()}, QStringLiteral("ADDRESS [--subcode N]"),
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
    return MeterCommand(session, [&session, address = std::get<MeterTarget>(target).address, index = std::get<int>(choice)] {
        FeatureRun run(session);
        run.protocol.SetAppResetChoice(index);
        const bool acknowledged = run.protocol.ResetSlaveApplication(address, false);
        return Acknowledgement(address, acknowledged, QStringLiteral("the application reset"), run.view);
    });
}
