#include "modbusreadcommand.h"

#include "clisession.h"

#include "modbus/modbusclient.h"
#include "modbus/modbusrows.h"

#include <QVariantMap>
#include <cstdio>
#include <memory>

namespace {

constexpr int kHighestRegister = 65535;

CliResult Usage(const QString& message)
{
    return CliResult::Failure(CliResult::Outcome::UsageOrFile, message);
}

struct ReadPlan {
    ModbusRequest request;
    modbus::Framing framing = modbus::Framing::Tcp;
    ModbusValueRows rows;
    int rowCount = kModbusValueRows;
    bool allOrders = false;
};

std::optional<qint64> Number(const QCommandLineParser& parser, const QString& name, qint64 fallback, qint64 max)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const qint64 value = parser.value(name).toLongLong(&ok);
    if (!ok || value < 0 || value > max)
        return std::nullopt;
    return value;
}

std::variant<ReadPlan, CliResult> PlanFromArguments(const CliArgs& args)
{
    const QCommandLineParser& parser = *args.parser;
    if (!args.arguments.isEmpty())
        return Usage(QStringLiteral("unexpected argument: %1").arg(args.arguments.first()));
    ReadPlan plan;
    const std::optional<qint64> slave = Number(parser, QStringLiteral("slave"), 1, 255);
    const std::optional<qint64> function = Number(parser, QStringLiteral("function"), 3, 4);
    const std::optional<qint64> first = Number(parser, QStringLiteral("first"), 0, kHighestRegister);
    const std::optional<qint64> count = Number(parser, QStringLiteral("count"), 1, kHighestRegister);
    // Slave 0 is the broadcast address, which no slave answers; a count of 0 reads nothing.
    if (!slave || *slave == 0)
        return Usage(QStringLiteral("--slave takes an address from 1 to 255"));
    if (!function || *function < 3)
        return Usage(QStringLiteral("--function takes 3 (holding registers) or 4 (input registers)"));
    if (!first)
        return Usage(QStringLiteral("--first takes a register from 0 to 65535"));
    if (!count || *count == 0)
        return Usage(QStringLiteral("--count takes a number of registers from 1 to 65535"));
    plan.request = {*slave, *function == 4 ? 1 : 0, *first, *count};
    plan.framing = parser.isSet(QStringLiteral("rtu")) ? modbus::Framing::Rtu : modbus::Framing::Tcp;
    plan.allOrders = parser.isSet(QStringLiteral("all-orders"));

    // Each --order belongs to the --type before it, wherever the others stand.
    const QString typeOption = QStringLiteral("type");
    const QString orderOption = QStringLiteral("order");
    int typed = 0;
    bool ordered = false;
    for (const auto& [name, value] : OptionsInOrder(args.given, {typeOption, orderOption})) {
        if (name == typeOption) {
            if (typed == kModbusValueRows)
                return Usage(QStringLiteral("at most %1 --type rows").arg(kModbusValueRows));
            ModbusValueRow& row = plan.rows[static_cast<size_t>(typed++)];
            row.typeCode = static_cast<int>(ModbusTypeNames().indexOf(value.toUpper()));
            if (row.typeCode < 0)
                return Usage(QStringLiteral("--type %1: one of %2").arg(value, ModbusTypeNames().join(u' ')));
            row.orders = ModbusWordOrders(row.typeCode);
            ordered = false;
            continue;
        }
        if (typed == 0 || ordered)
            return Usage(QStringLiteral("each --order belongs to the --type before it"));
        ModbusValueRow& row = plan.rows[static_cast<size_t>(typed - 1)];
        row.orderCode = static_cast<int>(row.orders.indexOf(value.toUpper()));
        if (row.orderCode < 0)
            return Usage(QStringLiteral("--order %1: %2 has %3")
                             .arg(value, ModbusTypeNames().value(row.typeCode), row.orders.join(u' ')));
        ordered = true;
    }
    if (typed > 0)
        plan.rowCount = typed; // else six INT16 rows, as the page starts
    return plan;
}

// One row as text fields: register, type, bytes, then the value in its
// order or in every order.
CliResult RowResult(const ModbusValueRow& row, const ModbusRowSource& source, bool allOrders)
{
    CliResult result;
    result.fields.reserve(allOrders ? 3 + row.orders.size() : 5); // one allocation for the row, read after read
    result.Add(QStringLiteral("register"), row.registerText.toLongLong());
    result.Add(QStringLiteral("type"), ModbusTypeNames().value(row.typeCode));
    if (!allOrders)
        result.Add(QStringLiteral("order"), row.orders.value(row.orderCode));
    result.Add(QStringLiteral("bytes"), row.bytesText);
    if (!allOrders) {
        result.Add(QStringLiteral("value"), row.valueText);
        return result;
    }
    const QByteArray bytes = ModbusRowBytes(row.registerText, row.typeCode, source).value_or(QByteArray());
    for (qsizetype code = 0; code < row.orders.size(); ++code)
        result.Add(row.orders[code], ModbusValueText(bytes, row.typeCode, static_cast<int>(code)));
    return result;
}

} // namespace

CommandOptions ModbusReadOptions()
{
    return {QStringLiteral("modbus-read"),
            {{QStringLiteral("slave"), QStringLiteral("Slave address 1-255 (default 1)."), QStringLiteral("N")},
             {QStringLiteral("function"), QStringLiteral("3: holding registers (default), 4: input registers."),
              QStringLiteral("3|4")},
             {QStringLiteral("first"), QStringLiteral("First register 0-65535 (default 0)."), QStringLiteral("N")},
             {QStringLiteral("count"), QStringLiteral("Number of registers 1-65535 (default 1)."), QStringLiteral("N")},
             {QStringLiteral("rtu"), QStringLiteral("Modbus RTU framing (Modbus TCP framing otherwise).")},
             {QStringLiteral("type"),
              QStringLiteral("A value row of this type, counted on from the first register (up to six; default: "
                             "six INT16 rows)."),
              QStringLiteral("NAME")},
             {QStringLiteral("order"), QStringLiteral("Word order of the --type before it (default its first)."),
              QStringLiteral("NAME")},
             {QStringLiteral("all-orders"), QStringLiteral("Each row's value in every word order its type allows.")}},
            QStringLiteral("[--slave N] [--function 3|4] [--first N] [--count N] [--rtu] [--type NAME [--order NAME]]... "
                           "[--all-orders]"),
            QStringLiteral("Read registers from a Modbus slave behind the gateway and show them as typed values."),
            CommandTransport::Any};
}

std::variant<std::function<CliResult()>, CliResult> PrepareModbusRead(CliSession& session)
{
    auto planned = PlanFromArguments(session.Args());
    if (auto* failure = std::get_if<CliResult>(&planned))
        return *failure;
    if (auto failure = session.OpenTransport(ini::kModbusTimings, 9600, false))
        return *failure;
    auto client = std::make_shared<ModbusClient>(session.Gateway(), session.Transactions(), session.Log());
    return std::function<CliResult()>([&session, client, plan = std::get<ReadPlan>(planned)] {
        if (auto failure = session.ReopenIfClosed())
            return *failure;
        const ModbusReadResult read = client->ReadModbusRegisters(plan.request, plan.framing);
        if (read.kind == ReplyOutcome::Kind::NotRun)
            return CliResult::Failure(CliResult::Outcome::DeviceFailure, QStringLiteral("nothing was sent"));
        if (read.Missed())
            return CliResult::Failure(CliResult::Outcome::DeviceFailure, QStringLiteral("no reply: ") + read.note);
        if (read.kind == ReplyOutcome::Kind::DeviceError || read.kind == ReplyOutcome::Kind::BadReply)
            return CliResult::Failure(CliResult::Outcome::DeviceFailure, read.note);
        const ModbusReplyCheck& check = read.check;

        const ModbusRowSource source{true, QString::number(plan.request.firstRegister),
                                     QString::number(plan.request.registerCount), check.registerData};
        ModbusValueRows rows = plan.rows;
        UpdateModbusRows(rows, source);
        const bool json = session.Args().json;
        CliResult result;
        result.Add(QStringLiteral("registers"), QString::fromLatin1(check.registerData.toHex().toUpper()));
        result.Add(QStringLiteral("count"), static_cast<int>(check.registerData.size() / 2));
        QVariantList jsonRows;
        QStringList textRows;
        textRows.reserve(plan.rowCount + 1);
        for (int i = 0; i < plan.rowCount; ++i) {
            const ModbusValueRow& row = rows[static_cast<size_t>(i)];
            if (row.bytesText.isEmpty())
                continue; // its register lies beyond the data
            const CliResult fields = RowResult(row, source, plan.allOrders);
            if (json) {
                QVariantMap object;
                for (const auto& [key, value] : fields.fields)
                    object.insert(key, value);
                jsonRows.append(object);
            } else {
                textRows.append(FormatResult(fields, false));
            }
        }
        if (json) {
            result.Add(QStringLiteral("rows"), jsonRows);
            return result;
        }
        // The register data first, then one line per row; converted and written at once.
        textRows.prepend(FormatResult(result, false));
        std::fputs(qPrintable(textRows.join(u'\n') + u'\n'), stdout);
        std::fflush(stdout);
        return CliResult();
    });
}
