// The whole site in one run against the bus time it cannot avoid:
// ostrand-cli site (discovery, the gateway's record for the line speed, the
// fast primary scan of 0-250 with each meter's data) as a child process
// against the simulated gateway with line timing over UDP, on the sample bus
// and on a bus of 50 meters, with the default INI file. The bus time counts
// what the scan's frames take on the line at its speed, as the fast search
// bench counts its physical limit:
//   each SND_NKE: the request and the whole response window (nobody else may answer)
// + each REQ_UD2 to a lone acknowledgement: the request and its RSP_UD,
//   or the request and the response window when the meter stays silent.
// Goal: at most 1.15 x.
//
//   site_bench [--quiet MS] [--bus FILE] [--allowance MS]
// --quiet: the discovery's quiet time (default 300 ms); --bus: a bus file of
// the simulator instead of the two buses; --allowance: the fast search's
// gateway allowance in the INI file instead of its default.
#include "searchclient.h"

#include "search/fastsearchtiming.h"
#include "comm/mbusframe.h"

#include "bus.h"
#include "busconfig.h"
#include "simulatedgateway.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

double Seconds(std::chrono::microseconds time)
{
    return static_cast<double>(time.count()) / 1e6;
}

// Fifty meters on addresses 1-50, one to three records each, at the sample
// bus's speed and line timing.
std::optional<BusConfig> FiftyMeterBus(const BusConfig& sample)
{
    const char* records[] = {R"({"dif": "0C", "vif": "13", "value": %1})",
                             R"({"dif": "04", "vif": "06", "value": %1}, {"dif": "42", "vif": "6C", "date": "2024-12-31"})",
                             R"({"dif": "0C", "vif": "14", "value": %1}, {"dif": "04", "vif": "6D", "dateTime": "2025-03-01T12:30"},
                                {"dif": "04", "vif": "3B", "value": 7})"};
    QStringList meters;
    for (int address = 1; address <= 50; ++address)
        meters << QStringLiteral(R"({"address": %1, "id": "%2", "manufacturer": "SIM", "medium": 7, "records": [%3]})")
                      .arg(address)
                      .arg(31000000 + address)
                      .arg(QString::fromLatin1(records[address % 3]).arg(address * 1000));
    const QString text = QStringLiteral(R"({"baud": %1, "timing": {"mode": "line", "turnaroundBits": %2}, "meters": [%3]})")
                             .arg(sample.baud)
                             .arg(sample.timing.turnaroundBits)
                             .arg(meters.join(u','));
    const BusConfigResult bus = ParseBusConfig(text.toUtf8(), QStringLiteral("fifty meters"));
    if (!bus.config)
        std::printf("%s\n", qPrintable(bus.error));
    return bus.config;
}

struct BusTime {
    std::chrono::microseconds probes{0}; // the SND_NKE of every address
    std::chrono::microseconds reads{0};  // the REQ_UD2 of each lone acknowledgement and its answer
    int meters = 0;                      // addresses acknowledged alone
    std::chrono::microseconds Total() const { return probes + reads; }
};

// The frames of the site's scan of 0-250, as the meters of the bus answer them.
BusTime BusTimeOf(const BusConfig& config)
{
    Bus bus(config.meters, config.baud, config.collision);
    BusTime time;
    for (int address = 0; address <= 250; ++address) {
        const auto target = static_cast<quint8>(address);
        time.probes += ProbeLineTime(kShortFrameLength, config.baud);
        if (!IsLoneAcknowledgement(bus.Transfer(ShortFrame(mbus::kSndNke, target)).bytes))
            continue; // silence, or a collision: no REQ_UD2
        ++time.meters;
        const QByteArray reply = bus.Transfer(ShortFrame(mbus::kReqUd2, target)).bytes;
        time.reads += reply.isEmpty()
            ? ProbeLineTime(kShortFrameLength, config.baud)
            : BitTimes((kShortFrameLength + reply.size()) * kLineBitsPerCharacter, config.baud);
    }
    return time;
}

// Runs ostrand-cli site against the bus and prints its time beside the bus time.
bool MeasureSite(const QString& name, const BusConfig& config, const QString& quiet, const QString& allowance)
{
    SimulatedGateway gateway(config);
    EndpointOptions endpoints;
    endpoints.udpPort = 0;
    endpoints.tcpPort = std::nullopt;
    endpoints.configPort = 0;
    if (!gateway.Start(endpoints))
        return false;
    const BusTime bus = BusTimeOf(config);

    QTemporaryDir dir; // the default INI file, the texts from beside the program
    if (!allowance.isEmpty()) {
        QFile ini(dir.filePath(QStringLiteral("Ostrand.INI")));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write(QStringLiteral("[Search]\r\nGatewayAllowance=%1\r\n").arg(allowance).toLatin1());
    }
    QProcess cli;
    cli.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/ostrand-cli"));
    cli.setArguments({QStringLiteral("--app-dir=") + dir.path(), QStringLiteral("site"), QStringLiteral("--json"),
                      QStringLiteral("--target"), QStringLiteral("127.0.0.1:%1").arg(gateway.ConfigPort()),
                      QStringLiteral("--scan-timeout"), quiet, QStringLiteral("--data-port"),
                      QString::number(gateway.UdpPort())});
    QElapsedTimer clock;
    clock.start();
    cli.start();
    // a run that did not end is reported by its output below
    static_cast<void>(QTest::qWaitFor([&] { return cli.state() == QProcess::NotRunning; }, 600000));
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const QJsonObject document = QJsonDocument::fromJson(cli.readAllStandardOutput().trimmed()).object();
    // a meter that cannot be read (a collision, a mute meter) ends with status 1 after the whole report
    if (!document.contains(QStringLiteral("meters_read"))) {
        std::printf("ostrand-cli site failed (status %d): %s\n", cli.exitCode(), cli.readAllStandardError().constData());
        return false;
    }
    const double limit = Seconds(bus.Total());
    std::printf("%-16s %6d %5d/%-5d %8.1f %7.2f %8.1f %10.1f %7.3f\n", qPrintable(name), bus.meters,
                document[QStringLiteral("meters_read")].toInt(), document[QStringLiteral("meters_found")].toInt(),
                Seconds(bus.probes), Seconds(bus.reads), limit, seconds, seconds / limit);
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto value = [&](const char* name) {
        const qsizetype at = args.indexOf(QString::fromLatin1(name));
        return at >= 0 && at + 1 < args.size() ? args[at + 1] : QString();
    };
    const QString quiet = value("--quiet").isEmpty() ? QStringLiteral("300") : value("--quiet");

    QList<std::pair<QString, std::optional<BusConfig>>> buses;
    if (!value("--bus").isEmpty()) {
        const BusConfigResult file = LoadBusConfig(value("--bus"));
        if (!file.config)
            std::printf("%s\n", qPrintable(file.error));
        buses.append({QFileInfo(value("--bus")).fileName(), file.config});
    } else {
        const std::optional<BusConfig> sample = LoadSampleBus();
        buses.append({QStringLiteral("sample-bus.json"), sample});
        if (sample)
            buses.append({QStringLiteral("50 meters"), FiftyMeterBus(*sample)});
    }

    const QString allowance = value("--allowance");
    std::printf("ostrand-cli site over UDP, line timing, line speed from the gateway's record, discovery quiet time %s ms, "
                "gateway allowance %s\n",
                qPrintable(quiet), allowance.isEmpty() ? "the INI file's default" : qPrintable(allowance + QStringLiteral(" ms")));
    std::printf("%-16s %6s %11s %8s %7s %8s %10s %7s\n", "bus", "meters", "read/found", "probes", "reads",
                "bus time", "site", "ratio");
    std::printf("%-16s %6s %11s %8s %7s %8s %10s %7s\n", "", "", "", "s", "s", "s", "s", "(<= 1.15)");
    for (const auto& [name, config] : buses) {
        if (!config || !MeasureSite(name, *config, quiet, allowance))
            return 1;
    }
    return 0;
}
