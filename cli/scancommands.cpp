#include "scancommands.h"

#include "clisession.h"
#include "clitable.h"

#include "netsetup/configprotocol.h"
#include "netsetup/recordtransfer.h"
#include "search/meterscan.h"
#include "search/searchexport.h"
#include "search/searchlink.h"
#include "search/searchstart.h"
#include "search/searchtexts.h"
#include "search/searchtimeouts.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

using Prepared = std::variant<std::function<CliResult()>, CliResult>;

const QList<int> kLineSpeeds = {300, 600, 1200, 2400, 4800, 9600};

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
    void SetProgressRange(int, int) override {}
    void SetProgress(int) override {}
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
    SearchMethod method = SearchMethod::Primary;
    PrimaryScanSettings primary;
    SecondaryScanSettings secondary;
    std::optional<qint64> lineSpeed;
    std::optional<qint64> sndNkeTimeout;
    std::optional<qint64> reqUd2Timeout;
    ini::SearchGateway type = ini::SearchGateway::Aspen;
    quint16 configPort = config::kPort;
    QString csvPath;
    QString txtPath;
    QString exclude;
    bool fast = false;
    bool savePartial = false;
};

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
    run.lineSpeed = NumberOption(parser, QStringLiteral("line-speed"), 9600, bad);
    if (bad || (run.lineSpeed && !kLineSpeeds.contains(static_cast<int>(*run.lineSpeed))))
        return UsageError(QStringLiteral("--line-speed takes 300, 600, 1200, 2400, 4800 or 9600"));
    run.sndNkeTimeout = NumberOption(parser, QStringLiteral("snd-nke-timeout"), 3600000, bad);
    run.reqUd2Timeout = NumberOption(parser, QStringLiteral("req-ud2-timeout"), 3600000, bad);
    const std::optional<qint64> port = NumberOption(parser, QStringLiteral("config-port"), 65535, bad);
    if (bad || port == 0)
        return UsageError(QStringLiteral("the timeouts take milliseconds and --config-port a port from 1 to 65535"));
    run.configPort = port ? static_cast<quint16>(*port) : config::kPort;
    const QString type = parser.value(QStringLiteral("gateway-type")).toLower();
    if (!type.isEmpty() && type != QLatin1String("aspen") && type != QLatin1String("birch"))
        return UsageError(QStringLiteral("--gateway-type takes aspen or birch"));
    run.type = type == QLatin1String("birch") ? ini::SearchGateway::Birch : ini::SearchGateway::Aspen;
    run.csvPath = parser.value(QStringLiteral("csv"));
    run.txtPath = parser.value(QStringLiteral("txt"));
    run.exclude = parser.value(QStringLiteral("exclude"));
    run.primary.viewFoundOnly = run.secondary.viewFoundOnly = parser.isSet(QStringLiteral("found-only"));
    run.fast = parser.isSet(QStringLiteral("fast"));
    run.savePartial = parser.isSet(QStringLiteral("save-partial"));
    return std::nullopt;
}

// The line speed, timeouts and connection text the window would determine;
// a failure where it would have to ask.
std::variant<SearchLine, CliResult> LearnLine(CliSession& session, const ScanRun& run)
{
    Connection& connection = session.Gateway();
    SearchLine line;
    line.portsettings = ConnectionPortsettings(connection);
    if (run.lineSpeed) {
        line.speed = QString::number(*run.lineSpeed);
        return line;
    }
    const bool bothTimeouts = run.sndNkeTimeout && run.reqUd2Timeout;
    if (bothTimeouts && !run.fast && connection.Mode() != ConnectionMode::Serial)
        return line; // the speed would only choose timeouts that are given
    const QString host = connection.Request().host;
    SearchLineSource source{connection, host, run.type == ini::SearchGateway::Birch ? qint16(2) : qint16(0), host, {}};
    source.readRecord = [&session, &run, &connection, host]() -> std::optional<ChannelSettings> {
        RecordTransfer transfer(connection, session.Texts());
        transfer.SetRemotePort(run.configPort);
        DeviceRecords records;
        const auto timeout = std::chrono::milliseconds(session.Ini().ReadNumberOrDefault(ini::IP_UDPTimeOut));
        return ReadNetworkSettings(transfer, records, transfer::kNetwork, host, timeout);
    };
    RememberedHost remembered;
    RefusingQuestions questions;
    line = DetermineSearchLine(source, remembered, questions, session.Texts());
    if (!questions.reason.isEmpty())
        return CliResult::Failure(CliResult::Outcome::DeviceFailure,
                                  questions.reason + QStringLiteral(": give --line-speed, or --snd-nke-timeout and --req-ud2-timeout"));
    if (line.refused)
        return CliResult::Failure(CliResult::Outcome::DeviceFailure, line.portsettings);
    return line;
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
    const bool fromReply = run.method == SearchMethod::Primary || run.secondary.readMeters;
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
        for (int id : {searchtext::kFirstColumn, searchtext::kAddressColumn,
                       run.method == SearchMethod::Primary ? searchtext::kSndNkeColumn : searchtext::kSelectionColumn,
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
    const std::variant<SearchLine, CliResult> learnt = LearnLine(session, run);
    if (const auto* failure = std::get_if<CliResult>(&learnt))
        return *failure;
    const SearchLine& line = std::get<SearchLine>(learnt);

    SearchTiming timing;
    const SearchTimeoutPair pair = SearchTimeoutsAt(session.Ini(), line.speed, run.type);
    timing.sndNkeTimeout = run.sndNkeTimeout ? std::chrono::milliseconds(*run.sndNkeTimeout) : pair.sndNke;
    timing.rspUd2Timeout = run.reqUd2Timeout ? std::chrono::milliseconds(*run.reqUd2Timeout) : pair.rspUd2;
    timing.busDelay = session.Transactions().BusDelay;
    timing.collisionPrimDelay = ReadSearchDelay(session.Ini(), ini::Search_CollisionPrimDelay);
    timing.collisionSecDelay = ReadSearchDelay(session.Ini(), ini::Search_CollisionSecDelay);
    if (run.fast) {
        timing.fast = FastSearchLineAt(session.Ini(), line.speed);
        if (!timing.fast)
            return CliResult::Failure(CliResult::Outcome::DeviceFailure,
                                      QStringLiteral("the fast search needs the line speed: give --line-speed"));
    }

    CliRowSink sink(run.method, run.primary.viewFoundOnly, session.Args().json, rows == nullptr);
    SearchLink link(connection, session.Transactions(), session.Log());
    link.SearchFrameDelay = timing.busDelay;
    MeterScan scan(link, operations, session.Texts(), sink, timing);
    QElapsedTimer started;
    started.start();
    if (run.method == SearchMethod::Primary)
        scan.RunPrimary(run.primary);
    else
        scan.RunSecondary(run.secondary);
    const double seconds = static_cast<double>(started.elapsed()) / 1000.0;

    if (rows)
        *rows = sink.Rows();
    const bool partial = scan.BreakFlag() || scan.ConnectionLost();
    if (const std::optional<CliResult> failure = SaveFiles(session, run, sink.Rows(), line.portsettings, partial))
        return *failure;
    CliResult result;
    result.Add(QStringLiteral("probes"), scan.Counters().numberOfScans);
    result.Add(run.method == SearchMethod::Primary ? QStringLiteral("acknowledged") : QStringLiteral("selected"),
               scan.Counters().sndNkeFound);
    result.Add(QStringLiteral("read"), scan.Counters().rspUd2Found);
    result.Add(QStringLiteral("seconds"), static_cast<qint64>(std::llround(seconds)));
    result.Add(QStringLiteral("line_speed"), line.speed.isEmpty() ? QVariant() : QVariant(line.speed.toInt()));
    const SearchProbe probe = run.method == SearchMethod::Primary ? SearchProbe::SndNke : SearchProbe::Selection;
    result.Add(QStringLiteral("snd_nke_timeout_ms"), static_cast<qint64>(timing.ReplyWait(probe).count()));
    result.Add(QStringLiteral("req_ud2_timeout_ms"), static_cast<qint64>(timing.ReplyWait(SearchProbe::ReqUd2).count()));
    result.Add(QStringLiteral("aborted"), scan.BreakFlag());
    result.Add(QStringLiteral("fast"), run.fast);
    if (run.fast)
        result.Add(QStringLiteral("gateway_allowance_ms"), static_cast<qint64>(timing.fast->gatewayAllowance.count()));
    result.Add(QStringLiteral("summary"), SearchSummary(session.Texts(), scan.Counters().numberOfScans, seconds));
    result.printedOnFailure = true; // the rows so far need their summary
    if (scan.ConnectionLost()) {
        result.outcome = CliResult::Outcome::DeviceFailure;
        result.error = QStringLiteral("the connection to the gateway was lost: ") + connection.LastSocketError();
    } else if (scan.BreakFlag()) {
        result.outcome = CliResult::Outcome::DeviceFailure;
        result.error = QStringLiteral("the scan was interrupted after %1 probes").arg(scan.Counters().numberOfScans);
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

PrimaryScanOutcome RunFastPrimaryScan(CliSession& session, int first, int last, std::optional<qint64> lineSpeed)
{
    ScanRun run;
    run.primary.first = first;
    run.primary.last = last;
    run.lineSpeed = lineSpeed;
    run.fast = true;
    QList<SearchResultRow> rows;
    PrimaryScanOutcome outcome;
    outcome.summary = RunScan(session, run, &rows);
    for (const SearchResultRow& row : rows) {
        // a collision is a meter too: its read says what is wrong there
        if (row.icon != SearchIcon::Neutral)
            outcome.found << row.texts[0].toInt();
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
    run.primary.first = static_cast<int>(NumberOption(parser, QStringLiteral("first"), 255, bad).value_or(0));
    run.primary.last = static_cast<int>(NumberOption(parser, QStringLiteral("last"), 255, bad).value_or(250));
    run.primary.sndNke = !parser.isSet(QStringLiteral("no-snd-nke"));
    run.primary.reqUd2 = !parser.isSet(QStringLiteral("no-req-ud2"));
    if (bad || run.primary.last < run.primary.first || run.primary.last > 251)
        return UsageError(QStringLiteral("--first and --last take addresses from 0 to 251, --last not below --first"));
    if (!run.primary.sndNke && !run.primary.reqUd2)
        return UsageError(QStringLiteral("--no-snd-nke and --no-req-ud2 together leave nothing to send"));
    return PrepareScan(session, run);
}

Prepared PrepareScanSecondary(CliSession& session)
{
    const CliArgs& args = session.Args();
    ScanRun run;
    run.method = SearchMethod::Secondary;
    if (auto failure = ReadSharedOptions(args, run))
        return *failure;
    const QCommandLineParser& parser = *args.parser;
    const struct {
        const char* option;
        int digits;
        QString* mask;
    } masks[] = {{"mask", 8, &run.secondary.idMask},
                 {"manufacturer", 4, &run.secondary.manufacturerMask},
                 {"meter-version", 2, &run.secondary.versionMask},
                 {"medium", 2, &run.secondary.mediumMask}};
    for (const auto& mask : masks) {
        const QString name = QString::fromLatin1(mask.option);
        const std::optional<QString> normal =
            NormaliseSearchMask(parser.isSet(name) ? parser.value(name) : QString(), mask.digits);
        if (!normal)
            return UsageError(QStringLiteral("--%1 takes up to %2 hex digits (F for any digit)").arg(name).arg(mask.digits));
        *mask.mask = *normal;
    }
    run.secondary.readMeters = parser.isSet(QStringLiteral("read"));
    return PrepareScan(session, run);
}
