// The fast and the documented search side by side on the sample bus with
// line timing, at every line speed and over every transport: both must find
// the same meters and the same collisions. For each speed and transport it
// runs a primary scan of 0-12 (every meter of the sample bus, the collision
// at address 3, the meter that does not answer REQ_UD2, the meter that only
// hears 300 baud) and a secondary scan under 123456FF (the collision of
// 12345678 and 12345679) in both modes, and prints one line per run with
// its time, its rows by outcome and whether the two modes agree row by row.
// The documented mode waits the timeouts dialog's Aspen defaults for the
// nearest listed speed at or below the line speed.
//
//   searchmodes_bench [--speeds 300,600,...] [--transports udp,tcp,pty] [--allowance MS] [--rows]
//
// The allowance is the network gateway's least (the INI file's default
// unless given); over the pseudo-terminal the serial driver's latency counts.
//
// A run over all three transports takes about three quarters of an hour;
// one process per transport runs them side by side.
#include "searchclient.h"

#include "search/fastsearchkeys.h"

#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "base/inifile.h"
#include "base/language.h"
#include "base/settingkeys.h"
#include "base/textencoding.h"
#include "base/trafficlog.h"

#include "busconfig.h"
#include "simulatedgateway.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace std::chrono_literals;

namespace {

// Keeps every row as it ended, in list order.
class RowList : public SearchRowSink {
public:
    int AddRow(const SearchResultRow& row) override
    {
        rows.append(row);
        return static_cast<int>(rows.size() - 1);
    }
    void ChangeRow(int handle, const SearchResultRow& row) override { rows[handle] = row; }
    void RowFinished(int handle, const SearchResultRow& row) override { rows[handle] = row; }
    void RemoveRow(int) override {} // only found devices are never asked for here
    void SetProgress(int, int) override {}
    void SetStatus(int, const QString&) override {}

    QStringList Lines() const
    {
        QStringList lines;
        for (const SearchResultRow& row : rows)
            lines << QStringList(row.texts.begin(), row.texts.end()).join(u'|') + u'|' + QString::number(static_cast<int>(row.icon));
        return lines;
    }
    int Count(SearchIcon icon) const
    {
        return static_cast<int>(std::count_if(rows.begin(), rows.end(), [icon](const SearchResultRow& row) { return row.icon == icon; }));
    }

    QList<SearchResultRow> rows;
};

struct Outcome {
    QStringList lines;
    int answered = 0;
    int collisions = 0;
    double seconds = 0;
};

// The documented timeouts of the dialog's Aspen set for a line speed: the
// listed speed at or below it.
SearchTiming DocumentedTiming(int baud)
{
    const QString option = baud >= 9600 ? QStringLiteral("9600") : baud >= 2400 ? QStringLiteral("2400") : QStringLiteral("300");
    SearchTiming timing;
    timing.sndNkeTimeout = std::chrono::milliseconds(ini::SearchSndNkeTimeoutDialog(option, ini::SearchGateway::Aspen).defaultValue.toInt());
    timing.rspUd2Timeout = std::chrono::milliseconds(ini::SearchRspUd2TimeoutDialog(option, ini::SearchGateway::Aspen).defaultValue.toInt());
    timing.busDelay = std::chrono::milliseconds(ini::MBusASCII_BusDelay.defaultValue.toInt());
    timing.collisionPrimDelay = std::chrono::milliseconds(ini::Search_CollisionPrimDelay.defaultValue.toInt());
    timing.collisionSecDelay = std::chrono::milliseconds(ini::Search_CollisionSecDelay.defaultValue.toInt());
    return timing;
}

class Bench {
public:
    // The rows in English, as the search window would show them.
    explicit Bench(bool printRows) : m_PrintRows(printRows)
    {
        QFile english(QStringLiteral(OSTRAND_SOURCE_DIR "/lang/Ostrand_Language.001"));
        if (english.open(QIODevice::ReadOnly))
            m_Language.AppendEntries(DecodeText(english.readAll()));
    }

    Outcome Run(Connection& connection, const SearchPlan& plan)
    {
        RowList rows;
        Link link(connection, m_Log);
        const SearchOutcome outcome = RunSearch(plan, {connection, link, m_Log, m_Operations, m_Language}, rows);
        return {rows.Lines(), rows.Count(SearchIcon::Answered), static_cast<int>(std::count_if(rows.rows.begin(), rows.rows.end(), [](const SearchResultRow& row) {
                    return row.Text(rowtext::kSelection) == QLatin1String("Collision");
                })),
                outcome.Seconds()};
    }

    // Both modes at one speed over one transport; false when the simulator
    // or the connection could not be set up.
    bool Compare(int baud, const QString& transport, std::chrono::milliseconds allowance)
    {
        const std::optional<BusConfig> bus = SampleBusAt(baud);
        if (!bus)
            return false;
        SimulatedGateway gateway(*bus);
        QTemporaryDir dir;
        IniFile ini(dir.filePath(QStringLiteral("Ostrand.INI")));
        Connection connection(ini, m_Log, m_Operations);
        if (!OpenGateway(gateway, transport, baud, connection))
            return false;

        SearchTiming documented = DocumentedTiming(baud);
        SearchTiming fast = documented;
        fast.fast = FastSearchLine{baud, allowance, transport == QLatin1String("pty")};
        SearchPlan primary;
        primary.primary = {0, 12, true, true, false};
        SearchPlan secondary;
        secondary.method = SearchMethod::Secondary;
        secondary.secondary.idMask = QStringLiteral("123456FF");
        secondary.secondary.readMeters = true;
        const struct {
            const char* name;
            SearchPlan plan;
        } kScans[] = {
            {"primary 0-12", primary},
            {"secondary 123456FF", secondary},
        };
        bool allSame = true;
        for (const auto& scan : kScans) {
            SearchPlan plan = scan.plan;
            plan.timing = documented;
            const Outcome slow = Run(connection, plan);
            plan.timing = fast;
            const Outcome quick = Run(connection, plan);
            const bool same = slow.lines == quick.lines;
            allSame = allSame && same;
            std::printf("%5d  %-4s %-19s %9.1f %9.1f %6.2f %4d/%-4d %5d/%-5d  %s\n", baud, qPrintable(transport), scan.name,
                        slow.seconds, quick.seconds, slow.seconds / quick.seconds, slow.answered, quick.answered,
                        slow.collisions, quick.collisions, same ? "same" : "DIFFERENT");
            if (same && m_PrintRows)
                std::printf("      %s\n", qPrintable(quick.lines.join(QLatin1String("\n      "))));
            if (!same) {
                std::printf("    documented:\n      %s\n    fast:\n      %s\n", qPrintable(slow.lines.join(QLatin1String("\n      "))),
                            qPrintable(quick.lines.join(QLatin1String("\n      "))));
            }
            std::fflush(stdout);
        }
        return allSame;
    }

private:
    bool m_PrintRows;
    TrafficLog m_Log;
    DeviceOperations m_Operations;
    Language m_Language;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList speeds = ListArgument(args, "--speeds", QStringLiteral("300,600,1200,2400,4800,9600"));
    const QStringList transports = ListArgument(args, "--transports", QStringLiteral("udp,tcp,pty"));
    const auto allowance = std::chrono::milliseconds(
        ListArgument(args, "--allowance", ini::Search_GatewayAllowance.defaultValue).value(0).toInt());

    std::printf("sample bus, line timing; documented = the Aspen timeouts, fast = the bus's window + at least %lld ms "
                "allowance over the network, the serial driver's latency over the pseudo-terminal\n",
                static_cast<long long>(allowance.count()));
    std::printf("%5s  %-4s %-19s %9s %9s %6s %9s %11s  %s\n", "baud", "via", "scan", "doc s", "fast s", "ratio",
                "answered", "collisions", "rows");
    Bench bench(args.contains(QStringLiteral("--rows")));
    bool allSame = true;
    for (const QString& transport : transports) {
        for (const QString& speed : speeds)
            allSame = bench.Compare(speed.toInt(), transport, allowance) && allSame;
    }
    std::printf("%s\n", allSame ? "both modes found the same rows in every run" : "the modes differ in at least one run");
    return allSame ? 0 : 1;
}
