#include "connectionrequest.h"

#include "base/settings.h"
#include "base/textfields.h"
#include "base/textnumber.h"

namespace {
const QString kBauds = QStringLiteral("300;600;1200;2400;4800;9600;19200");
const QString kDataBits = QStringLiteral("7;8");
const QString kStopBits = QStringLiteral("1;2");
const QString kParities = QStringLiteral("N;O;E;M;S");
constexpr int kModbusTask = 5;
constexpr int kAsciiTask = 6;

QString FieldAt(const QString& list, const Settings& settings, const SettingKey& key)
{
    return GetField(list, settings.ReadInt(key), QStringLiteral(";"));
}
} // namespace

ConnectionRequest ConnectionRequestFromSettings(const Settings& settings, int task)
{
    ConnectionRequest request;
    request.serial = settings.ReadInt(keys::Option_EnterIPAddress) != 0;
    if (request.serial) {
        // a speed never stored falls back to the connection page's own default
        const QString baud = FieldAt(kBauds, settings, keys::Combo_EnterIPAddress_BaudRate.ForTask(task));
        if (task == kModbusTask || task == kAsciiTask) {
            request.lineSettings = baud + u',' + FieldAt(kParities, settings, keys::SerialParity.ForTask(task)) + u','
                + FieldAt(kDataBits, settings, keys::SerialDatabits.ForTask(task)) + u','
                + FieldAt(kStopBits, settings, keys::SerialStopbits.ForTask(task));
        } else {
            request.lineSettings = baud + QStringLiteral(",E,8,1"); // the M-Bus line format
        }
        const QString port = settings.Read(keys::SerialPortForConnection.ForTask(task));
        request.portIndex = port.isEmpty() ? -1 : static_cast<int>(LeadingNumber(port));
        return request;
    }
    request.host = settings.Read(keys::IPAddressForConnection);
    const qint64 port = LeadingNumber(settings.Read(keys::TCPPortForConnection));
    request.port = static_cast<quint16>(port > 0 && port <= 65535 ? port : 0);
    request.udp = settings.ReadInt(keys::UDPorTCP) != 0;
    return request;
}

LineSettings ParseLineSettings(const QString& text)
{
    LineSettings line;
    const qint64 baud = LeadingNumber(GetField(text, 0, QStringLiteral(",")));
    if (baud > 0 && baud <= 4000000)
        line.baud = static_cast<qint32>(baud);
    const QString parity = GetField(text, 1, QStringLiteral(",")).trimmed().toUpper();
    if (!parity.isEmpty())
        line.parity = parity.front();
    const qint64 dataBits = LeadingNumber(GetField(text, 2, QStringLiteral(",")));
    if (dataBits >= 5 && dataBits <= 8)
        line.dataBits = static_cast<int>(dataBits);
    line.stopBits = LeadingNumber(GetField(text, 3, QStringLiteral(","))) == 2 ? 2 : 1;
    return line;
}
