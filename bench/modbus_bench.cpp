// Modbus TCP reads per second on loopback: `ostrand-cli modbus-read
// --repeat N` beside a plain loop over libmodbus, against the same server in
// the same run, one TCP connection each, ten holding registers (100-109 of
// slave 1), no bus delay. Two servers in turn: ostrand-sim's Modbus front
// end (instant line timing) and Debian's python3-pymodbus server
// (tests/modbus/modbus_peer_server.py); a server or a side that is missing
// is skipped with its reason. Also prints the in-process client loop
// (ModbusClient without the command-line tool around it) and the command
// with --trace, whose every logged byte goes to standard error. The command
// and the library take turns for three rounds; the best round of each counts.
//   modbus_bench [N]   N reads each (default 5000)
#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "modbus/modbusclient.h"
#include "base/inifile.h"
#include "base/trafficlog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>
#include <sys/resource.h>

#ifdef OSTRAND_WITH_LIBMODBUS
#include <modbus.h>
#endif

using namespace std::chrono_literals;

namespace {

constexpr int kFirstRegister = 100;
constexpr int kRegisters = 10;
constexpr int kRounds = 3;
const QString kPython = QStringLiteral("/usr/bin/python3");
constexpr int kNotInstalled = 77; // the peer script's status without pymodbus

// A rate, or why there is none.
struct Rate {
    double perSecond = 0;
    int answered = 0;
    QString missing;
    QString note;
    double cpuMicroseconds = 0; // the client's processor time per read, user and system
};

// Processor time (user and system) in microseconds: of this thread, or of
// the children waited for so far.
double CpuMicroseconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 + usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
}

// A server in a child process that prints "tcp PORT" once it listens.
struct Server {
    QString name;
    QProcess process;
    quint16 port = 0;
    QString missing;

    void Start(const QString& program, const QStringList& arguments)
    {
        process.start(program, arguments);
        while (process.state() != QProcess::NotRunning && !process.canReadLine())
            process.waitForReadyRead(200);
        while (process.canReadLine()) {
            const QString line = QString::fromLatin1(process.readLine().trimmed());
            if (line.startsWith(QStringLiteral("tcp ")))
                port = static_cast<quint16>(line.section(u':', -1).section(u' ', -1).toUInt());
            if (port != 0)
                return;
            process.waitForReadyRead(5000);
        }
        missing = process.exitCode() == kNotInstalled && process.state() == QProcess::NotRunning
                    ? QStringLiteral("python3-pymodbus is not installed (scripts/setup.sh installs it)")
                    : QStringLiteral("did not start: ") + QString::fromLocal8Bit(process.readAllStandardError());
    }
    ~Server()
    {
        process.kill();
        process.waitForFinished(5000);
    }
};

void StartSimulator(Server& server)
{
    server.name = QStringLiteral("ostrand-sim");
    server.Start(QCoreApplication::applicationDirPath() + QStringLiteral("/ostrand-sim"),
                 {QStringLiteral("--modbus"), QStringLiteral("--no-udp"), QStringLiteral("--tcp-port"),
                  QStringLiteral("0"), QStringLiteral("--no-config"), QStringLiteral("--timing"),
                  QStringLiteral("instant")});
}

void StartPymodbus(Server& server)
{
    server.name = QStringLiteral("pymodbus");
    if (!QFileInfo(kPython).isExecutable()) {
        server.missing = QStringLiteral("no ") + kPython;
        return;
    }
    server.Start(kPython, {QStringLiteral(OSTRAND_SOURCE_DIR "/tests/modbus/modbus_peer_server.py"),
                           QStringLiteral("tcp")});
}

// The command-line tool as a user runs it; its own summary gives the rate
// (the loop of reads, without start-up and connect, as the library's).
Rate Cli(quint16 port, int reads, bool trace)
{
    QTemporaryDir appDir; // no INI file: nothing but the options sets the timings
    QStringList arguments{QStringLiteral("modbus-read"), QStringLiteral("--app-dir"), appDir.path(),
                          QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port),
                          QStringLiteral("--bus-delay"), QStringLiteral("0"),
                          QStringLiteral("--first"), QString::number(kFirstRegister),
                          QStringLiteral("--count"), QString::number(kRegisters),
                          QStringLiteral("--repeat"), QString::number(reads)};
    if (trace)
        arguments << QStringLiteral("--trace");
    // Its output goes to a file, as `> file` would take it: a pipe would
    // have this process compete with the two under test for the cores.
    const QString output = appDir.filePath(QStringLiteral("output.txt"));
    QProcess cli;
    cli.setStandardOutputFile(output);
    cli.setStandardErrorFile(trace ? appDir.filePath(QStringLiteral("trace.txt")) : QProcess::nullDevice());
    const double cpuBefore = CpuMicroseconds(RUSAGE_CHILDREN);
    cli.start(QCoreApplication::applicationDirPath() + QStringLiteral("/ostrand-cli"), arguments);
    const bool finished = cli.waitForFinished(600000);
    const double cpu = CpuMicroseconds(RUSAGE_CHILDREN) - cpuBefore;
    if (!finished)
        return {0, 0, QStringLiteral("did not finish"), {}, 0};
    QFile file(output);
    if (!file.open(QIODevice::ReadOnly))
        return {0, 0, QStringLiteral("no output"), {}, 0};
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    static const QRegularExpression summary(QStringLiteral(R"(^runs=\d+ ok=(\d+) .*per_second=([\d.]+))"));
    const auto match = summary.match(QString::fromLatin1(lines.last()));
    if (!match.hasMatch())
        return {0, 0, QStringLiteral("no summary (exit status %1)").arg(cli.exitCode()), {}, 0};
    Rate rate{match.captured(2).toDouble(), match.captured(1).toInt(), {}, {}, cpu};
    if (trace) { // the log is whole: every request and every reply in it
        QFile log(appDir.filePath(QStringLiteral("trace.txt")));
        const QByteArray traced = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
        rate.note = QStringLiteral(", log: %1 sent, %2 received").arg(traced.count(" -> ")).arg(traced.count(" <- "));
    }
    return rate;
}

// The same reads through ModbusClient in this process.
Rate ClientLoop(quint16 port, int reads)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("Ostrand.INI")));
    TrafficLog log;
    DeviceOperations operations;
    Connection connection(ini, log, operations);
    Link link(connection, log);
    link.BusDelay = 0ms;
    ModbusClient client(connection, link, log);
    ConnectionRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = port;
    request.udp = false;
    if (!connection.OpenConnection(request, 5000ms))
        return {0, 0, QStringLiteral("cannot connect: ") + connection.LastSocketError(), {}, 0};
    Rate rate;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < reads; ++i) {
        const ModbusReadResult result =
            client.ReadModbusRegisters({1, 0, kFirstRegister, kRegisters}, modbus::Framing::Tcp);
        if (result.kind == ReplyOutcome::Kind::Reply)
            ++rate.answered;
    }
    rate.perSecond = reads / (static_cast<double>(clock.nsecsElapsed()) / 1e9);
    return rate;
}

// A plain loop over libmodbus: connect, then read the registers N times.
Rate Libmodbus(quint16 port, int reads)
{
#ifdef OSTRAND_WITH_LIBMODBUS
    modbus_t* context = modbus_new_tcp("127.0.0.1", port);
    if (!context)
        return {0, 0, QStringLiteral("modbus_new_tcp failed"), {}, 0};
    modbus_set_slave(context, 1);
    modbus_set_response_timeout(context, 3, 0);
    if (modbus_connect(context) != 0) {
        const QString error = QString::fromLocal8Bit(modbus_strerror(errno));
        modbus_free(context);
        return {0, 0, QStringLiteral("cannot connect: ") + error, {}, 0};
    }
    Rate rate;
    uint16_t registers[kRegisters];
    const double cpuBefore = CpuMicroseconds(RUSAGE_THREAD);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < reads; ++i) {
        if (modbus_read_registers(context, kFirstRegister, kRegisters, registers) == kRegisters)
            ++rate.answered;
    }
    rate.perSecond = reads / (static_cast<double>(clock.nsecsElapsed()) / 1e9);
    rate.cpuMicroseconds = (CpuMicroseconds(RUSAGE_THREAD) - cpuBefore) / reads;
    modbus_close(context);
    modbus_free(context);
    return rate;
#else
    Q_UNUSED(port);
    Q_UNUSED(reads);
    return {0, 0, QStringLiteral(OSTRAND_LIBMODBUS_MISSING), {}, 0};
#endif
}

void Print(const char* side, const Rate& rate, int reads)
{
    if (!rate.missing.isEmpty())
        std::printf("  %-22s skipped: %s\n", side, qPrintable(rate.missing));
    else
        std::printf("  %-22s %8.0f reads/s  (%d/%d answered%s)\n", side, rate.perSecond, rate.answered, reads,
                    qPrintable(rate.note));
}

QString Rounds(const QList<double>& rates)
{
    QStringList texts;
    for (const double rate : rates)
        texts << QString::number(rate, 'f', 0);
    return texts.join(QStringLiteral(" "));
}

void Compare(Server& server, int reads)
{
    if (server.missing.isEmpty() && server.port == 0)
        server.missing = QStringLiteral("said no port");
    if (!server.missing.isEmpty()) {
        std::printf("%s: skipped: %s\n", qPrintable(server.name), qPrintable(server.missing));
        return;
    }
    std::printf("%s on 127.0.0.1:%u\n", qPrintable(server.name), server.port);
    // The two sides take turns, a few rounds each; each keeps its best round
    // (the one least disturbed by the rest of the machine) and shows the spread.
    Rate cli;
    Rate library;
    QList<double> cliRates;
    QList<double> libraryRates;
    for (int round = 0; round < kRounds; ++round) {
        const Rate c = Cli(server.port, reads, false);
        const Rate l = Libmodbus(server.port, reads);
        cliRates << c.perSecond;
        libraryRates << l.perSecond;
        if (round == 0 || c.perSecond > cli.perSecond)
            cli = c;
        if (round == 0 || l.perSecond > library.perSecond)
            library = l;
    }
    // The command's processor time per read, its start-up taken off: that
    // of a run of N reads less that of a run of two, over N - 2.
    const Rate two = Cli(server.port, 2, false);
    if (reads > 2 && two.missing.isEmpty())
        cli.cpuMicroseconds = (cli.cpuMicroseconds - two.cpuMicroseconds) / (reads - 2);
    Print("ostrand-cli modbus-read", cli, reads);
    Print("libmodbus loop", library, reads);
    std::printf("  rounds (reads/s): ostrand-cli %s; libmodbus %s\n", qPrintable(Rounds(cliRates)),
                qPrintable(Rounds(libraryRates)));
    Print("ModbusClient loop", ClientLoop(server.port, reads), reads);
    Print("ostrand-cli --trace", Cli(server.port, reads, true), reads);
    if (cli.missing.isEmpty() && library.missing.isEmpty() && library.perSecond > 0) {
        std::printf("  ostrand-cli reads/s %.0f, libmodbus %.0f, ratio %.2f (best rounds)\n", cli.perSecond, library.perSecond,
                    cli.perSecond / library.perSecond);
        std::printf("  processor time per read: ostrand-cli %.1f us, libmodbus %.1f us (the client's own, best rounds)\n",
                    cli.cpuMicroseconds, library.cpuMicroseconds);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int reads = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5000;
    std::printf("Modbus TCP, %d reads of %d holding registers (%d-%d, slave 1), one connection each, BusDelay 0\n",
                reads, kRegisters, kFirstRegister, kFirstRegister + kRegisters - 1);
    std::fflush(stdout);
    {
        Server simulator;
        StartSimulator(simulator);
        Compare(simulator, reads);
    }
    std::fflush(stdout);
    {
        Server pymodbus;
        StartPymodbus(pymodbus);
        Compare(pymodbus, reads);
    }
    return 0;
}
