#include "scancommands.h"

#include "clisession.h"
#include "clitable.h"

#include "netsetup/configprotocol.h"
#include "search/searchexport.h"
#include "search/searchplan.h"
#include "search/searchtexts.h"
#include "comm/mbusapplication.h"

#include <QDate>
#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

using Prepared = std::variant<std::function<CliResult()>, CliResult>;


CliResult UsageError(const QString& message)
{
    return CliResult::Failure(CliResult::Outcome::UsageOrFile, message);
}

QList<QCommandLineOption> SharedOptions()
{
    return {
        {QStringLiteral("found-only"), QStringLiteral("List only the rows the window keeps with \"View found devices only\".")},
        {QStringLiteral("csv"), QStringLiteral("Write the rows as the window's CSV file (replaced)."), QStringLiteral("FILE")},
        {QStringLiteral("txt"), QStringLiteral("Append the rows as the window's text report."), QStringLiteral("FILE")},
        {QStringLiteral("save-partial"),
         QStringLiteral("Write --csv and --txt after an interrupted scan also where the file exists (else only a new file is written).")},
        {QStringLiteral("exclude"), QStringLiteral("Leave rows of this manufacturer code out of the CSV file (default FFFF; \"\" keeps rows without one out)."),
         QStringLiteral("HHHH"), QStringLiteral("FFFF")},
        {QStringLiteral("line-speed"), QStringLiteral("The M-Bus line speed, instead of the serial speed or the gateway's record."), QStringLiteral("BAUD")},
        {QStringLiteral("snd-nke-timeout"), QStringLiteral("Wait after SND_NKE or a selection, instead of the INI file's."), QStringLiteral("MS")},
        {QStringLiteral("req-ud2-timeout"), QStringLiteral("Wait after REQ_UD2, instead of the INI file's."), QStringLiteral("MS")},
        {QStringLiteral("gateway-type"), QStringLiteral("aspen (default) or birch: the timeout set; a Birch gateway's record is not read."), QStringLiteral("TYPE")},
        {QStringLiteral("config-port"), QStringLiteral("The gateway's configuration port the line speed is read from (default 30718)."), QStringLiteral("N")},
        {QStringLiteral("fast"), QStringLiteral("Fast search: wait the bus's response window at the line speed plus the INI file's gateway allowance, instead of the timeouts.")},
    };
}

// The list as the search window holds it, printed as its rows finish
// unless the caller reports the rows its own way.
class CliRowSink : public SearchRowSink {
public:
    CliRowSink(SearchMethod method, bool foundOnly, bool json, bool print)
        : m_Method(method)
        , m_FoundOnly(foundOnly)
    {
        if (print)
            m_Table.emplace(QStringList{QStringLiteral("probed"), QStringLiteral("address"),
                                        method == SearchMethod::Primary ? QStringLiteral("snd_nke") : QStringLiteral("selection"),
                                        QStringLiteral("req_ud2"), QStringLiteral("id"), QStringLiteral("manufacturer"),
                                        QStringLiteral("version"), QStringLiteral("medium"), QStringLiteral("device"),
                                        QStringLiteral("state")},
                            json);
    }

    int AddRow(const SearchResultRow& row) override
    {
        m_Rows.append({m_NextHandle, row});
        return m_NextHandle++;
    }
    void ChangeRow(int handle, const SearchResultRow& row) override
    {
        for (auto& [own, held] : m_Rows) {
            if (own == handle)
                held = row;
        }
    }
    void RowFinished(int handle, const SearchResultRow& row) override
    {
        ChangeRow(handle, row);
        if (!m_Table || (m_FoundOnly && !KeptWhenFoundOnly(m_Method, row.icon)))
            return;
        QVariantList values;
        for (const QString& text : row.texts)
            values << (text.isEmpty() ? QVariant() : QVariant(text));
        values << StateName(row.icon);
        m_Table->Row(values);
    }
    void RemoveRow(int handle) override
    {
        m_Rows.removeIf([handle](const auto& entry) { return entry.first == handle; });
    }
    void SetProgress(int, int) override {}
    void SetStatus(int, const QString&) override {}

    QList<SearchResultRow> Rows() const
    {
        QList<SearchResultRow> rows;
        for (const auto& entry : m_Rows)
            rows << entry.second;
        return rows;
    }

private:
    static QString StateName(SearchIcon icon)
    {
        switch (icon) {
        case SearchIcon::Answered:
            return QStringLiteral("answered");
        case SearchIcon::Fault:
            return QStringLiteral("fault");
        case SearchIcon::Uncertain:
            return QStringLiteral("uncertain");
        case SearchIcon::Neutral:
            break;
        }
        return QStringLiteral("none");
    }

    SearchMethod m_Method;
    bool m_FoundOnly;
    std::optional<CliTable> m_Table;
    QList<QPair<int, SearchResultRow>> m_Rows;
    int m_NextHandle = 0;
};

// Where the window would ask, the command stops and names the options that answer.
class RefusingQuestions : public SearchStartQuestions {
public:
    bool AskBirchGateway() override
    {
        reason = QStringLiteral("the line speed of a Birch gateway cannot be read");
        return false;
    }
    bool AskUnreadableRecord() override
    {
        reason = QStringLiteral("the gateway's configuration record could not be read, so its line speed is unknown");
        return false;
    }
    QString reason;
};

// What both scans are given beyond their own options.
struct ScanRun {
    SearchRequest search;
    quint16 configPort = config::kPort;
    QString csvPath;
    QString txtPath;
    QString exclude;
    bool savePartial = false;
};

QString LineSpeedText(std::optional<qint64> lineSpeed)
{
    return lineSpeed ? QString::number(*lineSpeed) : QString();
}

std::optional<std::chrono::milliseconds> Milliseconds(std::optional<qint64> value)
{
    return value ? std::optional(std::chrono::milliseconds(*value)) : std::nullopt;
}

std::optional<qint64> NumberOption(const QCommandLineParser& parser, const QString& name, qint64 maximum, bool& bad)
{
    if (!parser.isSet(name))
        return std::nullopt;
    bool ok = false;
    const qint64 value = parser.value(name).toLongLong(&ok);
    if (!ok || value < 0 || value > maximum) {
        bad = true;
        return std::nullopt;
    }
    return value;
}

std::optional<CliResult> ReadSharedOptions(const CliArgs& args, ScanRun& run)
{
    const QCommandLineParser& parser = *args.parser;
    if (!args.arguments.isEmpty())
        return UsageError(QStringLiteral("the scan takes no arguments, only options"));
    bool bad = false;
    const std::optional<qint64> lineSpeed = NumberOption(parser, QStringLiteral("line-speed"), 9600, bad);
    if (bad || (lineSpeed && !mbus::kLineSpeeds.contains(static_cast<int>(*lineSpeed))))
        return UsageError(QStringLiteral("--line-speed takes 300, 600, 1200, 2400, 4800 or 9600"));
    run.search.lineSpeed = LineSpeedText(lineSpeed);
    run.search.sndNkeTimeout = Milliseconds(NumberOption(parser, QStringLiteral("snd-nke-timeout"), 3600000, bad));
    run.search.reqUd2Timeout = Milliseconds(NumberOption(parser, QStringLiteral("req-ud2-timeout"), 3600000, bad));
    const std::optional<qint64> port = NumberOption(parser, QStringLiteral("config-port"), 65535, bad);
    if (bad || port == 0)
        return UsageError(QStringLiteral("the timeouts take milliseconds and --config-port a port from 1 to 65535"));
    run.configPort = port ? static_cast<quint16>(*port) : config::kPort;
    const QString type = parser.value(QStringLiteral("gateway-type")).toLower();
    if (!type.isEmpty() && type != QLatin1String("aspen") && type != QLatin1String("birch"))
        return UsageError(QStringLiteral("--gateway-type takes aspen or birch"));
    run.search.gatewayType = type == QLatin1String("birch") ? ini::SearchGateway::Birch : ini::SearchGateway::Aspen;
    run.csvPath = parser.value(QStringLiteral("csv"));
    run.txtPath = parser.value(QStringLiteral("txt"));
    run.exclude = parser.value(QStringLiteral("exclude"));
    run.search.primary.viewFoundOnly = run.search.secondary.viewFoundOnly = parser.isSet(QStringLiteral("found-only"));
    run.search.fast = parser.isSet(QStringLiteral("fast"));
    run.savePartial = parser.isSet(QStringLiteral("save-partial"));
    return std::nullopt;
}

// The plan the window would make; a failure where it would have to ask.
std::variant<SearchPlan, CliResult> PlanScan(CliSession& session, const ScanRun& run)
{
    Connection& connection = session.Gateway();
    SearchRequest request = run.search;
    request.busDelay = session.Transactions().BusDelay;
    const QString host = connection.Request().host;
    SearchLineSource source{connection, host, run.search.gatewayType == ini::SearchGateway::Birch ? qint16(2) : qint16(0), host, {}};
    source.readRecord = [&session, &run, &connection, host]() -> std::optional<ChannelSettings> {
        return ReadLineRecord(connection, session.Texts(), session.Ini(), {host, run.configPort, {}, nullptr, {}});
    };
    RememberedHost remembered;
    RefusingQuestions questions;
    const SearchPlan plan = PlanSearch(request, source, remembered, questions, session.Texts(), session.Ini());
    // the timeouts time no fast search: only the line speed helps there
    if (!questions.reason.isEmpty())
        return CliResult::Failure(CliResult::Outcome::DeviceFailure,
                                  questions.reason
                                      + (run.search.fast ? QStringLiteral(": give --line-speed")
                                                         : QStringLiteral(": give --line-speed, or --snd-nke-timeout and --req-ud2-timeout")));
    if (plan.line.refused)
        return CliResult::Failure(CliResult::Outcome::DeviceFailure, plan.line.portsettings);
    if (plan.FastWithoutSpeed())
        return CliResult::Failure(CliResult::Outcome::DeviceFailure,
                                  QStringLiteral("the fast search needs the line speed: give --line-speed"));
    return plan;
}

// partial: the scan was cut short (interrupted, or the connection lost), so
// a file that exists keeps the last whole result unless --save-partial asks
// otherwise; a line on standard error says so.
std::optional<CliResult> SaveFiles(CliSession& session, const ScanRun& run, const QList<SearchResultRow>& rows,
                                   const QString& portsettings, bool partial)
{
    const SearchExportHeader header{
        QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + u' ' + session.Log().timeOfDayClock(),
        portsettings};
    // a primary scan's probed text is an address, never an identification
    const bool fromReply = run.search.method == SearchMethod::Primary || run.search.secondary.readMeters;
    struct File {
        QString path;
        QStringList lines;
        ExportWrite mode;
    };
    QList<File> files;
    if (!run.csvPath.isEmpty())
        files.append({run.csvPath, SearchCsvLines(rows, header, fromReply, run.exclude), ExportWrite::Replace});
    if (!run.txtPath.isEmpty()) {
        QStringList captions;
        for (int id :
             {searchtext::kFirstColumn, searchtext::kAddressColumn,
              run.search.method == SearchMethod::Primary ? searchtext::kSndNkeColumn : searchtext::kSelectionColumn,
              searchtext::kReadoutColumn, searchtext::kIdentificationColumn, searchtext::kManufacturerColumn,
              searchtext::kVersionColumn, searchtext::kMediumColumn, searchtext::kDeviceColumn})
            captions << session.Texts().GetLanguageText(id);
        files.append({run.txtPath, SearchReportLines(rows, captions, header), ExportWrite::Append});
    }
    for (const File& file : files) {
        if (partial && !run.savePartial && QFileInfo::exists(file.path)) {
            std::fprintf(stderr, "%s\n",
                         qPrintable(QStringLiteral("%1 left as it was: the scan did not finish (--save-partial writes it)")
                                        .arg(file.path)));
            continue;
        }
        if (const std::optional<FileError> error = SaveSearchExport(file.path, file.lines, file.mode))
            return CliResult::Failure(CliResult::Outcome::UsageOrFile,
                                      QStringLiteral("Save Error: %1: Err # %2 - %3").arg(file.path).arg(error->number).arg(error->description));
    }
    return std::nullopt;
}

// rows: where the rows go instead of standard output.
CliResult RunScan(CliSession& session, const ScanRun& run, QList<SearchResultRow>* rows = nullptr)
{
    Connection& connection = session.Gateway();
    DeviceOperations& operations = session.Operations();
    const DeviceOperationScope operation(operations);
    session.Log().SetSearchTrace(session.Args().trace); // the scans log only under the search trace
    const std::variant<SearchPlan, CliResult> planned = PlanScan(session, run);
    if (const auto* failure = std::get_if<CliResult>(&planned))
        return *failure;
    const SearchPlan& plan = std::get<SearchPlan>(planned);
    SearchTiming timing = plan.timing;

    CliRowSink sink(run.search.method, run.search.primary.viewFoundOnly, session.Args().json, rows == nullptr);
    const SearchOutcome outcome =
        RunSearch(plan, {connection, session.Transactions(), session.Log(), operations, session.Texts()}, sink);
    const double seconds = outcome.Seconds();
    if (timing.fast && outcome.allowance && !timing.fast->serial)
        timing.fast->gatewayAllowance = *outcome.allowance; // the waits as the answers left them

    if (rows)
        *rows = sink.Rows();
    if (const std::optional<CliResult> failure = SaveFiles(session, run, sink.Rows(), plan.line.portsettings, outcome.Partial()))
        return *failure;
    CliResult result;
    result.Add(QStringLiteral("probes"), outcome.counters.numberOfScans);
    result.Add(run.search.method == SearchMethod::Primary ? QStringLiteral("acknowledged") : QStringLiteral("selected"),
               outcome.counters.sndNkeFound);
    result.Add(QStringLiteral("read"), outcome.counters.rspUd2Found);
    result.Add(QStringLiteral("seconds"), static_cast<qint64>(std::llround(seconds)));
    result.Add(QStringLiteral("line_speed"), plan.line.speed.isEmpty() ? QVariant() : QVariant(plan.line.speed.toInt()));
    const SearchProbe probe = run.search.method == SearchMethod::Primary ? SearchProbe::SndNke : SearchProbe::Selection;
    result.Add(QStringLiteral("snd_nke_timeout_ms"), static_cast<qint64>(timing.ReplyWait(probe).count()));
    result.Add(QStringLiteral("req_ud2_timeout_ms"), static_cast<qint64>(timing.ReplyWait(SearchProbe::ReqUd2).count()));
    result.Add(QStringLiteral("aborted"), outcome.aborted);
    result.Add(QStringLiteral("fast"), run.search.fast);
    if (run.search.fast)
        result.Add(QStringLiteral("gateway_allowance_ms"), static_cast<qint64>(CeilMilliseconds(timing.Allowance()).count()));
    result.Add(QStringLiteral("summary"),
               SearchSummary(session.Texts(), outcome.counters.numberOfScans, seconds, outcome.allowance));
    result.printedOnFailure = true; // the rows so far need their summary
    if (outcome.connectionLost) {
        result.outcome = CliResult::Outcome::DeviceFailure;
        result.error = QStringLiteral("the connection to the gateway was lost: ") + connection.LastSocketError();
    } else if (outcome.aborted) {
        result.outcome = CliResult::Outcome::DeviceFailure;
        result.error = QStringLiteral("the scan was interrupted after %1 probes").arg(outcome.counters.numberOfScans);
    }
    return result;
}

Prepared PrepareScan(CliSession& session, ScanRun run)
{
    if (auto failure = session.OpenTransport(ini::kFeatureTimings, 2400, true))
        return *failure;
    return std::function<CliResult()>([&session, run] { return RunScan(session, run); });
}

} // namespace

PrimaryScanOutcome RunFastPrimaryScan(CliSession& session, int first, int last, std::optional<qint64> lineSpeed,
                                      quint16 configPort)
{
    ScanRun run;
    run.search.primary.first = first;
    run.search.primary.last = last;
    run.search.lineSpeed = LineSpeedText(lineSpeed);
    run.search.fast = true;
    run.configPort = configPort;
    QList<SearchResultRow> rows;
    PrimaryScanOutcome outcome;
    outcome.summary = RunScan(session, run, &rows);
    const QString collision = session.Texts().GetLanguageText(searchtext::kCollision);
    for (const SearchResultRow& row : rows) {
        // a collision is a meter too: the site reports it as one
        if (row.icon == SearchIcon::Neutral)
            continue;
        ScannedMeter meter{row.Text(rowtext::kProbed).toInt(), ScannedMeter::Heard::Unsure, row.reply};
        if (!row.reply.isEmpty())
            meter.heard = ScannedMeter::Heard::Reply;
        else if (row.Text(rowtext::kSelection) == collision || row.Text(rowtext::kReadout) == collision)
            meter.heard = ScannedMeter::Heard::Collision;
        else if (row.Text(rowtext::kReadout) == QLatin1String("--")) // the list's mark of silence
            meter.heard = ScannedMeter::Heard::Silence;
        outcome.found << meter;
    }
    return outcome;
}

CommandOptions ScanPrimaryOptions()
{
    QList<QCommandLineOption> options = {
        {QStringLiteral("first"), QStringLiteral("First primary address (default 0)."), QStringLiteral("N")},
        {QStringLiteral("last"), QStringLiteral("Last primary address (default 250)."), QStringLiteral("N")},
        {QStringLiteral("no-snd-nke"), QStringLiteral("Send no SND_NKE.")},
        {QStringLiteral("no-req-ud2"), QStringLiteral("Send no REQ_UD2.")},
    };
    return {QStringLiteral("scan-primary"), options + SharedOptions(),
            QStringLiteral("[--first N] [--last N] [--no-snd-nke] [--no-req-ud2] [--fast] [--found-only] [--csv FILE] "
                           "[--txt FILE] [--save-partial]"),
            QStringLiteral("Search the bus by primary address, one row per address."), CommandTransport::Any};
}

CommandOptions ScanSecondaryOptions()
{
    QList<QCommandLineOption> options = {
        {QStringLiteral("mask"), QStringLiteral("Identification mask, 8 hex digits, F for any digit (default FFFFFFFF)."), QStringLiteral("ID")},
        {QStringLiteral("manufacturer"), QStringLiteral("Manufacturer mask (default FFFF)."), QStringLiteral("HHHH")},
        {QStringLiteral("meter-version"), QStringLiteral("Version mask (default FF)."), QStringLiteral("HH")},
        {QStringLiteral("medium"), QStringLiteral("Medium mask (default FF)."), QStringLiteral("HH")},
        {QStringLiteral("read"), QStringLiteral("Read every meter selected with REQ_UD2.")},
    };
    return {QStringLiteral("scan-secondary"), options + SharedOptions(),
            QStringLiteral("[--mask ID] [--manufacturer HHHH] [--meter-version HH] [--medium HH] [--read] [--fast] "
                           "[--found-only] [--csv FILE] [--txt FILE] [--save-partial]"),
            QStringLiteral("Search the bus by secondary address, descending the tree on collisions."), CommandTransport::Any};
}

Prepared PrepareScanPrimary(CliSession& session)
{
    const CliArgs& args = session.Args();
    ScanRun run;
    if (auto failure = ReadSharedOptions(args, run))
        return *failure;
    const QCommandLineParser& parser = *args.parser;
    bool bad = false;
    run.search.primary.first = static_cast<int>(NumberOption(parser, QStringLiteral("first"), 255, bad).value_or(0));
    run.search.primary.last = static_cast<int>(NumberOption(parser, QStringLiteral("last"), 255, bad).value_or(250));
    run.search.primary.sndNke = !parser.isSet(QStringLiteral("no-snd-nke"));
    run.search.primary.reqUd2 = !parser.isSet(QStringLiteral("no-req-ud2"));
    if (bad || run.search.primary.last < run.search.primary.first || run.search.primary.last > 251)
        return UsageError(QStringLiteral("--first and --last take addresses from 0 to 251, --last not below --first"));
    if (!run.search.primary.sndNke && !run.search.primary.reqUd2)
        return UsageError(QStringLiteral("--no-snd-nke and --no-req-ud2 together leave nothing to send"));
    return PrepareScan(session, run);
}

Prepared PrepareScanSecondary(CliSession& session)
{
    const CliArgs& args = session.Args();
    ScanRun run;
    run.search.method = SearchMethod::Secondary;
    if (auto failure = ReadSharedOptions(args, run))
        return *failure;
    const QCommandLineParser& parser = *args.parser;
    const struct {
        const char* option;
        int digits;
        QString* mask;
    } masks[] = {{"mask", 8, &run.search.secondary.idMask},
                 {"manufacturer", 4, &run.search.secondary.manufacturerMask},
                 {"meter-version", 2, &run.search.secondary.versionMask},
                 {"medium", 2, &run.search.secondary.mediumMask}};
    for (const auto& mask : masks) {
        const QString name = QString::fromLatin1(mask.option);
        const std::optional<QString> normal =
            NormaliseSearchMask(parser.isSet(name) ? parser.value(name) : QString(), mask.digits);
        if (!normal)
            return UsageError(QStringLiteral("--%1 takes up to %2 hex digits (F for any digit)").arg(name).arg(mask.digits));
        *mask.mask = *normal;
    }
    run.search.secondary.readMeters = parser.isSet(QStringLiteral("read"));
    return PrepareScan(session, run);
}
