// Modbus TCP reads per second on loopback, ours beside Debian's mbpoll,
// against the same server: ostrand-sim's Modbus front end in a process of
// its own (instant line timing, BusDelay 0). Both read one holding register
// of slave 1, the given number of times (default 5000). mbpoll reads once
// per slave address in its list, so one mbpoll process with the address
// listed N times makes N reads back to back; its start-up is counted.
#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "modbus/modbusclient.h"
#include "base/inifile.h"
#include "base/trafficlog.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace std::chrono_literals;

namespace {

constexpr quint16 kRegister = 100;

// The simulator's TCP port, once it has said so.
quint16 StartSimulator(QProcess& simulator)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/ostrand-sim");
    simulator.start(program, {QStringLiteral("--modbus"), QStringLiteral("--no-udp"), QStringLiteral("--tcp-port"),
                              QStringLiteral("0"), QStringLiteral("--no-config"), QStringLiteral("--timing"),
                              QStringLiteral("instant")});
    while (simulator.waitForReadyRead(5000)) {
        while (simulator.canReadLine()) {
            const QString line = QString::fromLatin1(simulator.readLine().trimmed());
            if (line.startsWith(QStringLiteral("tcp ")))
                return static_cast<quint16>(line.section(u':', -1).toUInt());
        }
    }
    return 0;
}

void Ours(quint16 port, int reads)
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
    if (!connection.OpenConnection(request, 5000ms)) {
        std::printf("ours    cannot connect: %s\n", qPrintable(connection.LastSocketError()));
        return;
    }
    int answered = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < reads; ++i) {
        const ModbusReadResult result = client.ReadModbusRegisters({1, 0, kRegister, 1}, modbus::Framing::Tcp);
        if (result.kind == ReplyOutcome::Kind::Reply)
            ++answered;
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    std::printf("ours    %5d/%d answered  %8.0f reads/s\n", answered, reads, reads / seconds);
}

void Mbpoll(quint16 port, int reads)
{
    const QString mbpoll = QStringLiteral("/usr/bin/mbpoll");
    if (!QFileInfo(mbpoll).isExecutable()) {
        std::printf("mbpoll  not installed (scripts/setup.sh installs it)\n");
        return;
    }
    QStringList addresses;
    for (int i = 0; i < reads; ++i)
        addresses << QStringLiteral("1");
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(mbpoll, {QStringLiteral("-m"), QStringLiteral("tcp"), QStringLiteral("-p"), QString::number(port),
                           QStringLiteral("-0"), QStringLiteral("-1"), QStringLiteral("-a"), addresses.join(u','),
                           QStringLiteral("-r"), QString::number(kRegister), QStringLiteral("-c"), QStringLiteral("1"),
                           QStringLiteral("127.0.0.1")});
    process.waitForFinished(600000);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const int answered = static_cast<int>(process.readAllStandardOutput().count(QByteArray("[100]:")));
    std::printf("mbpoll  %5d/%d answered  %8.0f reads/s\n", answered, reads, reads / seconds);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int reads = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5000;
    QProcess simulator;
    const quint16 port = StartSimulator(simulator);
    if (port == 0) {
        std::fprintf(stderr, "ostrand-sim did not start: %s\n", simulator.readAllStandardError().constData());
        return 1;
    }
    std::printf("Modbus TCP, %d reads of one register from ostrand-sim on 127.0.0.1:%u (BusDelay 0)\n", reads, port);
    Ours(port, reads);
    Mbpoll(port, reads);
    simulator.terminate();
    simulator.waitForFinished(5000);
    return 0;
}
