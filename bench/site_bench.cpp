// The whole site in one run against the bus time it cannot avoid:
// ostrand-cli site (discovery, the fast primary scan of 0-250, a read of
// every meter found) as a child process against the simulated gateway with
// line timing at 2400 baud over UDP, beside
//   251 x (SND_NKE + response window)            the fast search's limit
// + for each meter: REQ_UD2 and its RSP_UD on the line.
// Goal: at most 1.3 x. The INI file is the default one.
//
//   site_bench [--quiet MS]   (the discovery's quiet time, default 300 ms)
#include "search/fastsearchtiming.h"

#include "comm/mbusframe.h"

#include "busconfig.h"
#include "meter.h"
#include "simulatedgateway.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

constexpr int kBaud = 2400;

// Five meters on distinct addresses, each with its records; the sample
// bus's line timing.
const char* kBus = R"({"baud": 2400, "timing": {"mode": "line", "turnaroundBits": 120},
    "config": {"mac": "00-20-4A-00-00-01"},
    "meters": [
    {"address": 1, "id": "12345678", "manufacturer": "KVX", "records": [
        {"dif": "0C", "vif": "13", "value": 1234567}, {"dif": "42", "vif": "6C", "date": "2024-12-31"}]},
    {"address": 2, "id": "12345679", "manufacturer": "KVX", "records": [{"dif": "0C", "vif": "13", "value": 88}]},
    {"address": 17, "id": "12340001", "manufacturer": "QAB", "medium": 4, "records": [
        {"dif": "04", "vif": "06", "value": 12345}, {"dif": "0C", "vif": "14", "value": 456789},
        {"dif": "04", "vif": "6D", "dateTime": "2025-03-01T12:30"}]},
    {"address": 120, "id": "87654321", "manufacturer": "SIM", "medium": 2, "records": [{"dif": "04", "vif": "03", "value": 5000000}]},
    {"address": 250, "id": "11111111", "manufacturer": "TST", "medium": 3, "records": [{"dif": "0C", "vif": "13", "value": 42}]}]})";

double Seconds(std::chrono::microseconds time)
{
    return static_cast<double>(time.count()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype quietAt = args.indexOf(QStringLiteral("--quiet"));
    const QString quiet = quietAt >= 0 && quietAt + 1 < args.size() ? args[quietAt + 1] : QStringLiteral("300");

    const BusConfigResult bus = ParseBusConfig(QByteArray(kBus), QStringLiteral("site_bench"));
    if (!bus.config) {
        std::printf("%s\n", qPrintable(bus.error));
        return 2;
    }
    SimulatedGateway gateway(*bus.config);
    EndpointOptions endpoints;
    endpoints.udpPort = 0;
    endpoints.tcpPort = std::nullopt;
    endpoints.configPort = 0;
    if (!gateway.Start(endpoints))
        return 1;

    // The line time of each read: REQ_UD2 out, the meter's RSP_UD back.
    std::chrono::microseconds reads{0};
    for (const MeterConfig& config : bus.config->meters) {
        Meter meter(config);
        const std::optional<QByteArray> reply = meter.Receive(ShortFrame(mbus::kReqUd2, config.address));
        const long long characters = kShortFrameLength + (reply ? reply->size() : 0);
        reads += BitTimes(characters * kLineBitsPerCharacter, kBaud);
    }
    const std::chrono::microseconds search = 251 * ProbeLineTime(kShortFrameLength, kBaud);

    QTemporaryDir dir; // the default INI file, the texts from beside the program
    QProcess cli;
    cli.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/ostrand-cli"));
    cli.setArguments({QStringLiteral("--app-dir=") + dir.path(), QStringLiteral("site"), QStringLiteral("--json"),
                      QStringLiteral("--target"), QStringLiteral("127.0.0.1:%1").arg(gateway.ConfigPort()),
                      QStringLiteral("--scan-timeout"), quiet, QStringLiteral("--data-port"),
                      QString::number(gateway.UdpPort()), QStringLiteral("--line-speed"), QString::number(kBaud)});
    QElapsedTimer clock;
    clock.start();
    cli.start();
    // a run that did not end is reported by its status below
    static_cast<void>(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 600000));
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const QJsonObject document = QJsonDocument::fromJson(cli.readAllStandardOutput().trimmed()).object();
    if (cli.exitCode() != 0 || document.isEmpty()) {
        std::printf("ostrand-cli site failed (status %d): %s\n", cli.exitCode(), cli.readAllStandardError().constData());
        return 1;
    }

    const double limit = Seconds(search + reads);
    std::printf("site at %d baud, line timing, over UDP; discovery quiet time %s ms\n", kBaud, qPrintable(quiet));
    std::printf("  meters found %d, read %d\n", document[QStringLiteral("meters_found")].toInt(),
                document[QStringLiteral("meters_read")].toInt());
    std::printf("  bus time: search 0-250 %.1f s + reads %.2f s = %.1f s\n", Seconds(search), Seconds(reads), limit);
    std::printf("  ostrand-cli site        %.1f s = %.3f x   (goal <= 1.3)\n", seconds, seconds / limit);
    return 0;
}
