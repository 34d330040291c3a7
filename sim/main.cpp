#include "commandline.h"
#include "gatewayfarm.h"
#include "simulatedgateway.h"
#include "base/stopsignals.h"

#include "base/version.h"

#include <QCoreApplication>
#include <cstdio>

// ostrand-sim: the simulated gateway's transparent M-Bus port with meters
// behind it and its configuration side. Prints one line per endpoint, then
// runs until SIGINT or SIGTERM.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostrand-sim"));
    QCoreApplication::setApplicationVersion(kVersionText);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated M-Bus gateway: transparent port, meters and configuration side."));
    parser.addHelpOption();
    parser.addVersionOption();
    AddSimOptions(parser);
    AddGatewayFarmOption(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "ostrand-sim: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const SimCommandLineResult commandLine = ReadSimOptions(parser);
    if (!commandLine.commandLine) {
        std::fprintf(stderr, "ostrand-sim: %s\n", qPrintable(commandLine.error));
        return 2;
    }
    const BusConfigResult bus = BusFor(*commandLine.commandLine);
    if (!bus.config) {
        std::fprintf(stderr, "ostrand-sim: %s\n", qPrintable(bus.error));
        return 2;
    }

    ProcessNetFaults() = commandLine.commandLine->netFaults;
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::Stop, &app, &QCoreApplication::quit);
    QString farmError;
    const int farmSize = GatewayFarmSize(parser, &farmError);
    if (farmSize == 0) {
        std::fprintf(stderr, "ostrand-sim: %s\n", qPrintable(farmError));
        return 2;
    }
    if (farmSize > 1) {
        GatewayFarm farm;
        if (!farm.Start(*bus.config, EndpointsFor(*commandLine.commandLine, *bus.config), farmSize, &farmError)) {
            std::fprintf(stderr, "ostrand-sim: %s\n", qPrintable(farmError));
            return 1;
        }
        for (const QString& line : farm.Endpoints())
            std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
        return QCoreApplication::exec();
    }
    SimulatedGateway gateway(*bus.config);
    QString error;
    if (!gateway.Start(EndpointsFor(*commandLine.commandLine, *bus.config), &error)) {
        std::fprintf(stderr, "ostrand-sim: %s\n", qPrintable(error));
        return 1;
    }
    // Whoever started us reads the ports from these lines, so they go out at once.
    for (const QString& line : gateway.Endpoints())
        std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    // A lab script follows the gateway to its new address by this line.
    QObject::connect(&gateway.Configuration(), &ConfigService::AddressChanged, [](const QHostAddress& address) {
        std::printf("address %s\n", qPrintable(address.toString()));
        std::fflush(stdout);
    });
    return QCoreApplication::exec();
}
