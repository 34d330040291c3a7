// 1000 REQ_UD2 transactions against the simulated gateway (instant line
// timing, BusDelay 0) over UDP, TCP and the pseudo-terminal; prints the
// transactions per second and the median time from the reply's last byte
// arriving to WaitMBusReply returning it.
#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "comm/mbusframe.h"
#include "base/inifile.h"
#include "base/trafficlog.h"

#include "simulatedgateway.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int kTransactions = 1000;

void Measure(const char* name, Connection& connection, Link& link, const ConnectionRequest& request)
{
    if (!connection.OpenConnection(request, 5000ms)) {
        std::printf("%-6s cannot open: %s\n", name, qPrintable(connection.LastSocketError()));
        return;
    }
    QElapsedTimer clock;
    clock.start();
    qint64 lastArrival = 0;
    const auto arrival = QObject::connect(&connection, &Connection::bytesArrived, [&] { lastArrival = clock.nsecsElapsed(); });
    std::vector<double> overheadUs;
    overheadUs.reserve(kTransactions);
    int answered = 0;
    bool fcb = false;
    const qint64 start = clock.nsecsElapsed();
    for (int i = 0; i < kTransactions; ++i) {
        link.SendFrame(ShortFrame(fcb ? mbus::kReqUd2Fcb : mbus::kReqUd2, 1));
        fcb = !fcb;
        const ReplyOutcome heard = link.WaitMBusReply(3000ms);
        const qint64 returned = clock.nsecsElapsed();
        if (heard.kind == ReplyOutcome::Kind::Reply) {
            ++answered;
            overheadUs.push_back(static_cast<double>(returned - lastArrival) / 1000.0);
        }
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed() - start) / 1e9;
    QObject::disconnect(arrival);
    connection.CloseConnection();
    std::sort(overheadUs.begin(), overheadUs.end());
    const double median = overheadUs.empty() ? 0.0 : overheadUs[overheadUs.size() / 2];
    const double p99 = overheadUs.empty() ? 0.0 : overheadUs[overheadUs.size() * 99 / 100];
    std::printf("%-6s %4d/%d answered, %7.0f transactions/s, overhead after the last byte: median %.1f us, 99th %.1f us\n",
                name, answered, kTransactions, kTransactions / seconds, median, p99);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    SimulatedGateway gateway(DefaultBusConfig());
    EndpointOptions options;
    options.udpPort = 0;
    options.tcpPort = 0;
    options.pty = true;
    QString error;
    if (!gateway.Start(options, &error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    gateway.SetTiming(LineTiming{}); // instant

    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("Ostrand.INI")));
    ini.WriteIniValue(QStringLiteral("SerialPorts"), QStringLiteral("COM1"), gateway.PtyPath());
    TrafficLog log; // not logging, as with the log window closed
    DeviceOperations operations;
    Connection connection(ini, log, operations);
    Link link(connection, log);
    link.BusDelay = 0ms;

    ConnectionRequest udp;
    udp.host = QStringLiteral("127.0.0.1");
    udp.port = gateway.UdpPort();
    Measure("udp", connection, link, udp);
    ConnectionRequest tcp = udp;
    tcp.port = gateway.TcpPort();
    tcp.udp = false;
    Measure("tcp", connection, link, tcp);
    ConnectionRequest serial;
    serial.serial = true;
    serial.portIndex = 0;
    serial.lineSettings = QStringLiteral("2400,E,8,1");
    Measure("pty", connection, link, serial);
    std::printf("responses %d, failures %d\n", log.ResponseCount(), log.ErrorCount());
    return 0;
}
