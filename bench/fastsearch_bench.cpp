// The fast search against the bus's physical limit, through the simulated
// gateway with line timing over UDP, side by side with the documented
// search:
//  1. what the simulator adds to the bus's own timing over UDP and TCP (the
//     gateway allowance's default is chosen from it);
//  2. an empty primary scan of 0-250 at 2400 baud: fast, the physical limit
//     (251 x (SND_NKE + response window)), and the documented search with
//     the Aspen timeouts at 2400 baud (1500 ms, bus delay 50 ms), measured
//     over the first DOC addresses and scaled to 251 unless --full;
//  3. the secondary search of the sample bus: fast, against 1.2 x probes x
//     (selection + response window); with --full the documented one too.
//
//   fastsearch_bench [--full] [--doc-addresses DOC] [--allowance MS]   (defaults: 20 addresses, 20 ms)
#include "countingsink.h"
#include "searchclient.h"

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

constexpr int kBaud = 2400;

double Seconds(std::chrono::microseconds time)
{
    return static_cast<double>(time.count()) / 1e6;
}

// A simulated gateway on loopback UDP (and TCP) and a client connection to it.
struct Site {
    explicit Site(const BusConfig& bus) : gateway(bus)
    {
        EndpointOptions endpoints;
        endpoints.udpPort = 0;
        endpoints.tcpPort = 0;
        started = gateway.Start(endpoints);
        ConnectionRequest request;
        request.host = QStringLiteral("127.0.0.1");
        request.port = gateway.UdpPort();
        started = started && connection.OpenConnection(request, 5000ms);
    }

    struct Run {
        int probes = 0;
        int answered = 0;
        int faults = 0;
        double seconds = 0;
    };
    Run Measure(const SearchPlan& plan)
    {
        CountingSink sink;
        const SearchOutcome outcome = RunSearch(plan, client.Parts(), sink);
        return {sink.rows, sink.answered, sink.faults, outcome.Seconds()};
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
    const auto allowance = std::chrono::milliseconds(number("--allowance", 20));

    const std::optional<BusConfig> sample = LoadSampleBus();
    if (!sample)
        return 2;
    BusConfig empty;
    empty.baud = kBaud;
    empty.timing = sample->timing;

    SearchTiming documented;
    documented.sndNkeTimeout = 1500ms; // the Aspen set at 2400 bps
    documented.rspUd2Timeout = 3000ms;
    documented.busDelay = 50ms;
    documented.collisionPrimDelay = 3000ms;
    documented.collisionSecDelay = 3000ms;
    SearchTiming fast = documented;
    fast.fast = FastSearchLine{kBaud, allowance};
    std::printf("%d baud, line timing (turnaround %d bits), over UDP; gateway allowance %lld ms\n", kBaud,
                empty.timing.turnaroundBits, static_cast<long long>(allowance.count()));

    {
        Site site(*sample);
        if (!site.started)
            return 1;
        MeasureLatency(*sample, site.gateway.UdpPort(), site.gateway.TcpPort());
    }

    Site emptySite(empty);
    if (!emptySite.started)
        return 1;
    const double limit = 251 * Seconds(ProbeLineTime(kShortFrameLength, kBaud));
    const Site::Run fastPrimary = emptySite.Measure(PrimaryPlan(fast, 250));
    const Site::Run docPrimary = emptySite.Measure(PrimaryPlan(documented, docAddresses - 1));
    const double docScaled = docPrimary.seconds * 251 / docAddresses;
    std::printf("\nempty primary scan 0-250       %8s %10s %10s\n", "seconds", "x limit", "probes");
    std::printf("  physical limit               %8.1f %10.3f %10d\n", limit, 1.0, 251);
    std::printf("  fast                         %8.1f %10.3f %10d   (target <= 1.2)\n", fastPrimary.seconds,
                fastPrimary.seconds / limit, fastPrimary.probes);
    std::printf("  documented%-19s %8.1f %10.3f %10d\n",
                docAddresses == 251 ? "" : qPrintable(QStringLiteral(" (%1 measured)").arg(docAddresses)), docScaled,
                docScaled / limit, 251);

    Site sampleSite(*sample);
    if (!sampleSite.started)
        return 1;
    const Site::Run fastSecondary = sampleSite.Measure(SecondaryPlan(fast));
    const double perProbe = Seconds(ProbeLineTime(kSelectionLength, kBaud));
    const double target = 1.2 * fastSecondary.probes * perProbe;
    std::printf("\nsecondary scan of the sample bus %6s %10s %10s %10s\n", "seconds", "x physical", "probes", "found");
    std::printf("  physical (probes x %.1f ms) %8.1f %10.3f %10d\n", perProbe * 1000, fastSecondary.probes * perProbe,
                1.0, fastSecondary.probes);
    std::printf("  fast                         %8.1f %10.3f %10d %10d   (target <= %.1f s)\n", fastSecondary.seconds,
                fastSecondary.seconds / (fastSecondary.probes * perProbe), fastSecondary.probes, fastSecondary.answered,
                target);
    if (full) {
        const Site::Run docSecondary = sampleSite.Measure(SecondaryPlan(documented));
        std::printf("  documented                   %8.1f %10.3f %10d %10d\n", docSecondary.seconds,
                    docSecondary.seconds / (docSecondary.probes * perProbe), docSecondary.probes, docSecondary.answered);
    }
    return 0;
}
