// Record 0 read from the simulated gateway over UDP, 500 times: prints the
// median and the 99th percentile from the request to the completed read
// (the configured wait is only an upper bound; the read ends when the reply
// is whole).
#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "netsetup/record.h"
#include "netsetup/recordtransfer.h"
#include "base/inifile.h"
#include "base/language.h"
#include "base/trafficlog.h"

#include "simulatedgateway.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace std::chrono_literals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    SimulatedGateway gateway(DefaultBusConfig());
    EndpointOptions options;
    options.udpPort.reset();
    options.tcpPort.reset();
    options.configPort = 0;
    QString error;
    if (!gateway.Start(options, &error)) {
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return 1;
    }
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("Ostrand.INI")));
    TrafficLog log;
    Language language;
    DeviceOperations operations;
    Connection connection(ini, log, operations);
    RecordTransfer transfer(connection, language);
    transfer.SetRemotePort(gateway.ConfigPort());

    constexpr int kReads = 500;
    std::vector<double> ms;
    int good = 0;
    for (int i = 0; i < kReads; ++i) {
        cRecord record(0);
        QElapsedTimer clock;
        clock.start();
        if (transfer.Read_Record(record, TransferMode::Network, QStringLiteral("127.0.0.1"), 1000ms)) {
            ++good;
            ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
    }
    std::sort(ms.begin(), ms.end());
    if (ms.empty()) {
        std::printf("no read succeeded\n");
        return 1;
    }
    std::printf("record 0 over UDP: %d/%d reads, median %.3f ms, 99th %.3f ms, worst %.3f ms (UDPTimeOut 1000 ms)\n",
                good, kReads, ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back());
    return 0;
}
