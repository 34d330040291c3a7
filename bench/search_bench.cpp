// A primary scan of addresses 0-250 and a secondary scan from FFFFFFFF over
// the sample bus (sim/buses/sample-bus.json, real line timing) through the
// simulated gateway over UDP, with short timeouts. Prints, for each, the
// time the scan took against the waiting its frames had to do (every wait
// that ran to its timeout, the time until each reply, the quiet time before
// each frame) and the difference in percent: the scan's own cost.
//
//   search_bench [SND_NKE-MS [REQ_UD2-MS [SELECTION-MS]]]   (defaults 100, 600, 160)
#include "countingsink.h"
#include "searchclient.h"

#include "comm/connection.h"

#include "busconfig.h"
#include "simulatedgateway.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

using namespace std::chrono_literals;

namespace {

void Report(const char* name, const CountingSink& sink, const SearchOutcome& outcome)
{
    const double measured = outcome.Seconds();
    const double waits = static_cast<double>(outcome.requiredWaiting.count()) / 1e9;
    std::printf("%-10s %4d probes %3d answered  measured %8.3f s  waits %8.3f s  over %+6.2f %%\n", name, sink.rows,
                sink.answered, measured, waits, waits > 0 ? (measured - waits) / waits * 100.0 : 0.0);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](int index, int fallback) {
        return std::chrono::milliseconds(args.size() > index ? args[index].toInt() : fallback);
    };

    const std::optional<BusConfig> bus = LoadSampleBus();
    if (!bus)
        return 2;
    SimulatedGateway gateway(*bus);
    EndpointOptions endpoints;
    endpoints.udpPort = 0;
    endpoints.tcpPort = std::nullopt;
    if (!gateway.Start(endpoints))
        return 1;

    SearchClient client;
    Connection& connection = client.connection;
    ConnectionRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = gateway.UdpPort();
    if (!connection.OpenConnection(request, 5000ms))
        return 1;

    SearchPlan plan;
    plan.primary = {0, 250, true, true, false};
    SearchTiming& timing = plan.timing;
    timing.sndNkeTimeout = option(1, 100);
    timing.rspUd2Timeout = option(2, 600);
    timing.busDelay = 50ms;
    timing.collisionPrimDelay = 200ms;
    timing.collisionSecDelay = 200ms;
    std::printf("bus %d baud, line timing; SND_NKE %lld ms, REQ_UD2 %lld ms, bus delay %lld ms, collision delay %lld ms\n",
                bus->baud, static_cast<long long>(timing.sndNkeTimeout.count()),
                static_cast<long long>(timing.rspUd2Timeout.count()), static_cast<long long>(timing.busDelay.count()),
                static_cast<long long>(timing.collisionPrimDelay.count()));

    const auto measure = [&](const char* name) {
        CountingSink sink;
        Report(name, sink, RunSearch(plan, client.Parts(), sink));
    };
    measure("primary");
    plan.method = SearchMethod::Secondary;
    timing.sndNkeTimeout = option(3, 160); // a selection frame is longer on the line
    measure("secondary");
    return 0;
}
