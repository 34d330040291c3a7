#include "discovery.h"
#include "discoveryfigures.h"

#include "netsetuptexts.h"
#include "comm/deviceoperations.h"
#include "comm/loopbackguard.h"
#include "netsetup/platform/receivebuffer.h"
#include "base/inifile.h"
#include "base/language.h"
#include "base/settingkeys.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QUdpSocket>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace {

// Room for a whole LAN answering at once while the window draws: a
// thousand answers take about 1 MB of kernel memory (each small datagram
// costs the kernel about a kilobyte).
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

QString AddressText(const QHostAddress& address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4); // also unwraps ::ffff:a.b.c.d
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

// Winsock_Search: the scan's own socket, bound to the adapter when it can be.
void BindSearchSocket(QUdpSocket& socket, const QString& adapterIP)
{
    const QHostAddress adapter(adapterIP);
    if (!adapter.isNull() && socket.bind(adapter, 0))
        return;
    socket.abort();
    socket.bind(QHostAddress::AnyIPv4, 0);
}

} // namespace

ScanResult ScanLanDevices(const ScanOptions& options, DiscoverySink& sink)
{
    ScanFigures figures;
    return ScanLanDevices(options, sink, figures);
}

ScanResult ScanLanDevices(const ScanOptions& options, DiscoverySink& sink, ScanFigures& figures)
{
    ScanResult result;
    DeviceOperations ownOperations;
    DeviceOperations& operations = options.operations ? *options.operations : ownOperations;
    const DeviceOperationScope operation(operations);
    if (!operation)
        return result;
    QSet<QString> listedMacs;
    QElapsedTimer clock;
    clock.start();
    qint64 lastAnswerMs = 0;
    bool sending = false;

    QUdpSocket Winsock_Search;
    BindSearchSocket(Winsock_Search, options.adapterIP);
    figures.receiveBufferBytes = EnlargeReceiveBuffer(Winsock_Search.socketDescriptor(), kReceiveBufferBytes);

    // Every datagram waiting is taken at each wake-up, so a burst of answers
    // is listed completely, one row each.
    QObject::connect(&Winsock_Search, &QUdpSocket::readyRead, [&] {
        while (Winsock_Search.state() == QAbstractSocket::BoundState && Winsock_Search.hasPendingDatagrams()) {
            const qint64 size = std::max<qint64>(Winsock_Search.pendingDatagramSize(), 0);
            QByteArray datagram(size, Qt::Uninitialized);
            QHostAddress sender;
            quint16 senderPort = 0;
            const qint64 got = Winsock_Search.readDatagram(datagram.data(), size, &sender, &senderPort);
            if (got < 0)
                break;
            datagram.truncate(got);
            FoundDevice device;
            device.answer = ParseDiscoveryAnswer(datagram, AddressText(sender));
            device.configPort = senderPort;
            // A MAC listed before gets no key, as a key can be given only once.
            if (!listedMacs.contains(device.answer.mac)) {
                listedMacs.insert(device.answer.mac);
                device.key = DeviceRowKey(device.answer.mac, device.answer.type);
            }
            result.devices.append(device);
            lastAnswerMs = clock.elapsed();
            sink.DeviceFound(static_cast<int>(result.devices.size() - 1), device);
        }
    });
    QObject::connect(&Winsock_Search, &QUdpSocket::errorOccurred, [&] {
        if (sending)
            return; // reported as a send failure
        const QString description = Winsock_Search.errorString();
        Winsock_Search.close();
        sink.SocketFailed(description);
    });

    if (const QString refusal = RefusedDestination(options.target.address); !refusal.isEmpty()) {
        sink.SendFailed(refusal);
    } else {
        sending = true;
        const qint64 sent
            = Winsock_Search.writeDatagram(config::DiscoveryQuery(), options.target.address, options.target.port);
        sending = false;
        if (sent < 0)
            sink.SendFailed(Winsock_Search.errorString());
    }

    // Each answer restarts the quiet time; the scan ends when it runs out.
    lastAnswerMs = clock.elapsed();
    const qint64 sentAtMs = lastAnswerMs;
    for (;;) {
        const qint64 left = options.scanTime.count() - (clock.elapsed() - lastAnswerMs);
        if (left <= 0 || operations.CancelRequested())
            break;
        const qsizetype seen = result.devices.size();
        operations.WaitUntil([&] { return result.devices.size() != seen; }, std::chrono::milliseconds(left));
    }
    figures.lastAnswer = std::chrono::milliseconds(result.devices.isEmpty() ? 0 : lastAnswerMs - sentAtMs);
    figures.quietEnded = std::chrono::milliseconds(clock.elapsed() - sentAtMs);
    QObject::disconnect(&Winsock_Search, nullptr, nullptr, nullptr);
    Winsock_Search.close();

    // One ARP request per address, however often it answered; a row of an
    // unknown type (by its key, as a click on it reads it) never counts as
    // reachable.
    QHash<QString, bool> reachableByIp;
    for (qsizetype row = 0; row < result.devices.size(); ++row) {
        FoundDevice& device = result.devices[row];
        if (RowDeviceType(device.key) != DeviceTypeUnknown && options.isReachable) {
            const QString& ip = device.answer.ip;
            if (!reachableByIp.contains(ip))
                reachableByIp.insert(ip, options.isReachable(ip));
            device.reachable = reachableByIp.value(ip);
        }
        if (!device.reachable)
            result.unreachableSeen = true;
        sink.DeviceChecked(static_cast<int>(row), device);
    }
    return result;
}

std::chrono::milliseconds ScanTimeFromIni(const IniFile& ini)
{
    const qint64 value = ini.ReadNumberOrDefault(ini::IP_ScanTimeOut);
    return std::chrono::milliseconds(std::clamp<qint64>(value, 0, std::numeric_limits<qint32>::max()));
}

QString ScanSummaryText(const Language& language, const ScanResult& result)
{
    if (result.devices.isEmpty())
        return language.GetLanguageText(netsetuptext::kNoGatewaysFound);
    const QString lineBreak = QStringLiteral("\r\n");
    QString text = QString::number(result.devices.size()) + u' '
        + language.GetLanguageText(netsetuptext::kGatewaysFound) + lineBreak;
    if (result.unreachableSeen)
        text += language.GetLanguageText(netsetuptext::kNotReachableAdvice) + lineBreak;
    return text + language.GetLanguageText(netsetuptext::kSelectGateway);
}
