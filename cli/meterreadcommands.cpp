#include "meterreadcommands.h"

#include "clisession.h"
#include "clitable.h"
#include "configcli.h"
#include "featurecli.h"

#include <cstdio>

namespace {

struct ReadRequest {
    MeterTarget target;
    FeatureProtocol::ReadMode mode = FeatureProtocol::ReadMode::Identify;
    bool alwaysInit = false;
    bool alwaysApp = false;
    int appResetChoice = 0;
};

// The identification fields of a read, in the order of the contract.
void AddIdentification(CliResult& result, const IdentificationRead& read)
{
    const SlaveIdentification& id = read.identification;
    const auto text = [](const QString& value) { return value.isEmpty() ? QVariant() : QVariant(value); };
    result.Add(QStringLiteral("address"), id.address.isEmpty() ? QVariant() : QVariant(id.address.toInt()));
    result.Add(QStringLiteral("id"), text(id.id));
    result.Add(QStringLiteral("manufacturer"), text(id.manufacturer));
    result.Add(QStringLiteral("letters"), text(id.letters));
    result.Add(QStringLiteral("version"), text(id.version));
    result.Add(QStringLiteral("medium"), text(id.medium));
    if (id.fixedStructure)
        result.Add(QStringLiteral("fixed_structure"), true);
    if (id.truncated)
        result.Add(QStringLiteral("truncated"), true);
    if (read.busValues) {
        result.Add(QStringLiteral("bus_voltage_v"), read.busValues->voltage.toDouble());
        result.Add(QStringLiteral("bus_current_ma"), read.busValues->current.toDouble());
    }
}

// Selects the meter when asked to, reads it, and turns a missing answer into the failure to report.
std::variant<IdentificationRead, CliResult> Read(FeatureRun& run, const ReadRequest& request)
{
    if (auto failure = SelectTarget(run, request.target))
        return *failure;
    run.protocol.SetAppResetChoice(request.appResetChoice);
    IdentificationRead read = run.protocol.ReadSlaveIdentification(request.mode, request.target.address,
                                                                   request.alwaysInit, request.alwaysApp);
    if (!read.prepared)
        return DeviceError(QStringLiteral("meter %1 did not acknowledge what was to come first: %2")
                               .arg(request.target.address)
                               .arg(run.view.Message()));
    if (!read.Answered())
        return DeviceError(QStringLiteral("meter %1 did not answer REQ_UD2: %2")
                               .arg(request.target.address)
                               .arg(run.view.Message()));
    return read;
}

std::variant<ReadRequest, CliResult> RequestOf(const CliArgs& args, bool identify)
{
    auto target = TargetFromArguments(args, 0, true);
    if (auto* failure = std::get_if<CliResult>(&target))
        return *failure;
    ReadRequest request;
    request.target = std::get<MeterTarget>(target);
    if (!identify)
        return request;
    const QCommandLineParser& parser = *args.parser;
    if (parser.isSet(QStringLiteral("diagnostics")))
        request.mode = FeatureProtocol::ReadMode::Diagnostics;
    request.alwaysInit = parser.isSet(QStringLiteral("always-init"));
    request.alwaysApp = parser.isSet(QStringLiteral("always-app-reset"));
    if (request.target.secondary && request.alwaysInit)
        return UsageError(QStringLiteral("a meter selected by --secondary is not sent SND_NKE: leave out --always-init"));
    const auto choice = SubcodeChoice(parser);
    if (auto* failure = std::get_if<CliResult>(&choice))
        return *failure;
    request.appResetChoice = std::get<int>(choice);
    return request;
}

QVariantList RecordValues(const DataRecord& record)
{
    const auto text = [](const QString& value) { return value.isEmpty() ? QVariant() : QVariant(value); };
    if (!record.error.isEmpty())
        return {QVariant(), QVariant(), QVariant(), QVariant(), QStringLiteral("error at byte %1: %2").arg(record.position).arg(record.error),
                text(record.value), QVariant()};
    return {record.storage, record.tariff, record.subunit, text(record.function), text(record.description),
            text(record.value), text(record.unit)};
}

const QStringList kRecordColumns = {QStringLiteral("storage"), QStringLiteral("tariff"), QStringLiteral("subunit"),
                                    QStringLiteral("function"), QStringLiteral("description"), QStringLiteral("value"),
                                    QStringLiteral("unit")};

} // namespace

CliResult RecordsResult(const IdentificationRead& read, bool json)
{
    CliResult identification;
    AddIdentification(identification, read);
    const QList<DataRecord> records = read.records ? read.records->records : QList<DataRecord>();
    if (json) {
        QVariantList list;
        for (const DataRecord& record : records) {
            QVariantMap row;
            const QVariantList values = RecordValues(record);
            for (qsizetype i = 0; i < kRecordColumns.size(); ++i)
                row.insert(kRecordColumns[i], values[i]);
            list << row;
        }
        identification.Add(QStringLiteral("more_records_follow"), read.records && read.records->moreRecordsFollow);
        identification.Add(QStringLiteral("records"), list);
        return identification;
    }
    std::fprintf(stdout, "%s\n", qPrintable(FormatResult(identification, false)));
    std::fflush(stdout);
    CliTable table(kRecordColumns, false);
    for (const DataRecord& record : records)
        table.Row(RecordValues(record));
    return {}; // printed
}

std::variant<IdentificationRead, CliResult> ReadMeterAt(CliSession& session, quint8 address)
{
    FeatureRun run(session);
    ReadRequest request;
    request.target.address = address;
    return Read(run, request);
}

namespace {

// Checks the arguments, opens the transport, and hands back the read with
// what its command makes of it.
std::variant<std::function<CliResult()>, CliResult> PrepareRead(
    CliSession& session, bool identify, std::function<CliResult(const IdentificationRead&, bool json)> present)
{
    auto request = RequestOf(session.Args(), identify);
    if (auto* failure = std::get_if<CliResult>(&request))
        return *failure;
    return MeterCommand(session, [&session, request = std::get<ReadRequest>(request), present = std::move(present)] {
        FeatureRun run(session);
        auto read = Read(run, request);
        if (auto* failure = std::get_if<CliResult>(&read))
            return *failure;
        return present(std::get<IdentificationRead>(read), session.Args().json);
    });
}

} // namespace

CommandOptions MBusIdentifyOptions()
{
    return {QStringLiteral("mbus-identify"),
            {SecondaryOption(),
             {QStringLiteral("diagnostics"), QStringLiteral("Read as the diagnostics function does (Birch V2 bus voltage and current).")},
             AlwaysInitOption(),
             {QStringLiteral("always-app-reset"), QStringLiteral("Reset the meter's application first.")},
             SubcodeOption()},
            QStringLiteral("ADDRESS | --secondary ID[,MANUFACTURER,VERSION,MEDIUM]"),
            QStringLiteral("Read a meter's identification: address, number, manufacturer, version, medium."),
            CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareMBusIdentify(CliSession& session)
{
    return PrepareRead(session, true, [](const IdentificationRead& read, bool) {
        CliResult result;
        AddIdentification(result, read);
        return result;
    });
}

CommandOptions MBusReadOptions()
{
    return {QStringLiteral("mbus-read"), {SecondaryOption()},
            QStringLiteral("ADDRESS | --secondary ID[,MANUFACTURER,VERSION,MEDIUM]"),
            QStringLiteral("Read a meter: its identification, then one row per data record."), CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareMBusRead(CliSession& session)
{
    return PrepareRead(session, false, RecordsResult);
}
