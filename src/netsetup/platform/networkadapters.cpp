#include "networkadapters.h"

#include <QNetworkInterface>

QList<NetworkAdapter> ListNetworkAdapters()
{
    QList<NetworkAdapter> adapters;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& nic : interfaces) {
        const auto flags = nic.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                QString description = nic.humanReadableName();
                if (!nic.hardwareAddress().isEmpty())
                    description += QStringLiteral(" (") + nic.hardwareAddress() + u')';
                adapters.append({entry.ip().toString(), description});
                break;
            }
        }
    }
    return adapters;
}
