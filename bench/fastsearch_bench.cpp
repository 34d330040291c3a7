// The fast search against the bus's physical limit, through the simulated
// gateway with line timing, at every speed and over every transport asked:
//  1. what the simulator adds to the bus's own timing over UDP and TCP as a
//     plain socket polled by QTest sees it (an upper bound: the scans'
//     own waits wake on arrival, and show the delay in their allowance);
//  2. an empty primary scan of 0-250: fast against the physical limit
//     (251 x (SND_NKE + response window)); at 2400 baud over UDP also the
//     documented search with the Aspen timeouts (1500 ms, bus delay 50 ms),
//     measured over the first DOC addresses and scaled to 251 unless --full;
//  3. the secondary search of the sample bus: fast against probes x
//     (selection + response window); with --full the documented one too.
// Each row prints the measured time, the physical limit, their ratio and
// the target (1.1 over the pseudo-terminal, 1.2 over UDP and TCP); the exit
// status is 1 when a row misses it.
//
//   fastsearch_bench [--speeds 300,2400,9600] [--transports udp,tcp,pty] [--full] [--doc-addresses DOC]
//                    [--allowance MS]   (defaults: 20 addresses, the INI file's least allowance)
#include "countingsink.h"
#include "searchclient.h"

#include "search/fastsearchkeys.h"

#include "comm/connection.h"
#include "comm/mbusframe.h"

#include "busconfig.h"
#include "simulatedgateway.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace std::chrono_literals;

namespace {

constexpr int kDocumentedBaud = 2400;

double Seconds(std::chrono::microseconds time)
{
    return static_cast<double>(time.count()) / 1e6;
}

// A simulated gateway with one endpoint and a client connection to it.
struct Site {
    Site(const BusConfig& bus, const QString& transport) : gateway(bus)
    {
        started = OpenGateway(gateway, transport, bus.baud, connection);
    }

    struct Run {
        int probes = 0;
        int answered = 0;
        double seconds = 0;
        long long allowance = 0; // ms, as the scan ended
    };
    Run Measure(const SearchPlan& plan)
    {
        CountingSink sink;
        const SearchOutcome outcome = RunSearch(plan, client.Parts(), sink);
        return {sink.rows, sink.answered, outcome.Seconds(), outcome.allowance ? outcome.allowance->count() : 0};
    }

    SimulatedGateway gateway;
    SearchClient client;
    Connection& connection = client.connection;
    bool started = false;
};

// A primary scan of 0 to last, SND_NKE and REQ_UD2 to each address.
SearchPlan PrimaryPlan(const SearchTiming& timing, int last)
{
    SearchPlan plan;
    plan.primary = {0, last, true, true, false};
    plan.timing = timing;
    return plan;
}

// A secondary scan from FFFFFFFF.
SearchPlan SecondaryPlan(const SearchTiming& timing)
{
    SearchPlan plan;
    plan.method = SearchMethod::Secondary;
    plan.timing = timing;
    return plan;
}

// The time from sending SND_NKE to a meter until its E5h is in, less what
// the line itself takes: request, turnaround and one character.
void MeasureLatency(const BusConfig& bus, quint16 udpPort, quint16 tcpPort)
{
    const double line = (6.0 * 11 + bus.timing.turnaroundBits) / bus.baud * 1000.0;
    const QByteArray probe = ShortFrame(mbus::kSndNke, 1);
    constexpr int kExchanges = 40;
    for (const bool tcp : {false, true}) {
        QUdpSocket udp;
        QTcpSocket stream;
        if (tcp) {
            stream.connectToHost(QHostAddress::LocalHost, tcpPort);
            if (!stream.waitForConnected(5000))
                return;
        }
        double sum = 0;
        double most = 0;
        int heard = 0;
        for (int i = 0; i < kExchanges; ++i) {
            QElapsedTimer clock;
            clock.start();
            QByteArray received;
            if (tcp) {
                stream.write(probe);
                // what arrived, if anything, is judged below
                static_cast<void>(QTest::qWaitFor([&] { return !(received += stream.readAll()).isEmpty(); }, 2000));
            } else {
                udp.writeDatagram(probe, QHostAddress::LocalHost, udpPort);
                static_cast<void>(QTest::qWaitFor([&] {
                    while (udp.hasPendingDatagrams()) {
                        QByteArray datagram(static_cast<int>(udp.pendingDatagramSize()), '\0');
                        udp.readDatagram(datagram.data(), datagram.size());
                        received += datagram;
                    }
                    return !received.isEmpty();
                }, 2000));
            }
            if (received.isEmpty())
                continue;
            const double extra = static_cast<double>(clock.nsecsElapsed()) / 1e6 - line;
            sum += extra;
            most = std::max(most, extra);
            ++heard;
            QTest::qWait(20);
        }
        std::printf("gateway latency %s: %d/%d answers, beyond the line's %.1f ms: mean %.2f ms, max %.2f ms\n",
                    tcp ? "TCP" : "UDP", heard, kExchanges, line, heard ? sum / heard : 0.0, most);
    }
}

// One row: the measured time and the physical limit side by side; false
// when the ratio misses the target.
bool PrintRow(int baud, const QString& via, const char* scan, const Site::Run& run, double limit, double target)
{
    const double ratio = run.seconds / limit;
    std::printf("%5d  %-4s %-26s %9.1f %9.1f %7.3f %7.2f %7d %7d %6lld ms  %s\n", baud, qPrintable(via), scan,
                run.seconds, limit, ratio, target, run.probes, run.answered, run.allowance, ratio <= target ? "ok" : "OVER");
    std::fflush(stdout);
    return ratio <= target;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool full = args.contains(QStringLiteral("--full"));
    const auto number = [&](const char* name, int fallback) {
        const qsizetype at = args.indexOf(QString::fromLatin1(name));
        return at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : fallback;
    };
    const int docAddresses = full ? 251 : std::clamp(number("--doc-addresses", 20), 1, 251);
    const auto allowance = std::chrono::milliseconds(number("--allowance", ini::Search_GatewayAllowance.defaultValue.toInt()));
    const QStringList speeds = ListArgument(args, "--speeds", QStringLiteral("300,2400,9600"));
    const QStringList transports = ListArgument(args, "--transports", QStringLiteral("udp,tcp,pty"));

    const std::optional<BusConfig> sample = LoadSampleBus();
    if (!sample)
        return 2;
    std::printf("line timing (turnaround %d bits); fast: the bus's window + at least %lld ms gateway allowance over "
                "the network, the serial driver's latency over the pseudo-terminal\n",
                sample->timing.turnaroundBits, static_cast<long long>(allowance.count()));
    if (transports.contains(QStringLiteral("udp")) || transports.contains(QStringLiteral("tcp"))) {
        SimulatedGateway gateway(*sample);
        EndpointOptions endpoints;
        endpoints.udpPort = 0;
        endpoints.tcpPort = 0;
        if (!gateway.Start(endpoints))
            return 1;
        MeasureLatency(*sample, gateway.UdpPort(), gateway.TcpPort());
    }

    SearchTiming documented;
    documented.sndNkeTimeout = 1500ms; // the Aspen set at 2400 bps
    documented.rspUd2Timeout = 3000ms;
    documented.busDelay = 50ms;
    documented.collisionPrimDelay = 3000ms;
    documented.collisionSecDelay = 3000ms;

    std::printf("\n%5s  %-4s %-26s %9s %9s %7s %7s %7s %7s %9s\n", "baud", "via", "scan", "measured", "physical",
                "ratio", "target", "probes", "found", "allowance");
    bool met = true;
    for (const QString& via : transports) {
        const bool pty = via == QLatin1String("pty");
        const double target = pty ? 1.1 : 1.2;
        for (const QString& speed : speeds) {
            const int baud = speed.toInt();
            const std::optional<BusConfig> bus = SampleBusAt(baud);
            if (!bus || baud <= 0)
                return 2;
            BusConfig empty;
            empty.baud = baud;
            empty.timing = bus->timing;
            SearchTiming fast = documented;
            fast.fast = FastSearchLine{baud, allowance, pty};

            Site emptySite(empty, via);
            if (!emptySite.started)
                return 1;
            const double limit = 251 * Seconds(ProbeLineTime(kShortFrameLength, baud));
            met = PrintRow(baud, via, "empty primary 0-250", emptySite.Measure(PrimaryPlan(fast, 250)), limit, target) && met;
            if (baud == kDocumentedBaud && via == QLatin1String("udp")) {
                Site::Run doc = emptySite.Measure(PrimaryPlan(documented, docAddresses - 1));
                doc.seconds = doc.seconds * 251 / docAddresses;
                doc.probes = 251;
                const QString name = QStringLiteral("  documented (%1 measured)").arg(docAddresses);
                std::printf("%5d  %-4s %-26s %9.1f %9.1f %7.3f\n", baud, qPrintable(via), qPrintable(name), doc.seconds,
                            limit, doc.seconds / limit);
            }

            Site sampleSite(*bus, via);
            if (!sampleSite.started)
                return 1;
            const Site::Run secondary = sampleSite.Measure(SecondaryPlan(fast));
            const double perProbe = Seconds(ProbeLineTime(kSelectionLength, baud));
            met = PrintRow(baud, via, "secondary, sample bus", secondary, secondary.probes * perProbe, target) && met;
            if (full && baud == kDocumentedBaud) {
                const Site::Run doc = sampleSite.Measure(SecondaryPlan(documented));
                std::printf("%5d  %-4s %-26s %9.1f %9.1f %7.3f\n", baud, qPrintable(via), "  documented", doc.seconds,
                            doc.probes * perProbe, doc.seconds / (doc.probes * perProbe));
            }
        }
    }
    std::printf("%s\n", met ? "every fast scan within its target" : "at least one fast scan over its target");
    return met ? 0 : 1;
}
