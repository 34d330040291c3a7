#include "serialportname.h"

#include "base/inifile.h"

#include <QSerialPortInfo>
#include <algorithm>

namespace {

QString MappedDevice(int portIndex, const IniFile& ini)
{
    const QString comName = QStringLiteral("COM") + QString::number(portIndex + 1);
    return ini.ReadIniValue(QStringLiteral("SerialPorts"), comName, QString());
}

QStringList SortedDevices(const QList<QSerialPortInfo>& ports)
{
    QStringList devices;
    for (const QSerialPortInfo& info : ports)
        devices << info.systemLocation();
    std::sort(devices.begin(), devices.end());
    return devices;
}

QString DeviceFor(int portIndex, const IniFile& ini, const QStringList& devices)
{
    const QString mapped = MappedDevice(portIndex, ini);
    if (!mapped.isEmpty())
        return mapped;
    return portIndex < devices.size() ? devices[portIndex] : QString();
}

} // namespace

QString SerialDeviceForPort(int portIndex, const IniFile& ini)
{
    if (portIndex < 0)
        return QString();
    const QString mapped = MappedDevice(portIndex, ini);
    return mapped.isEmpty() ? DeviceFor(portIndex, ini, SortedDevices(QSerialPortInfo::availablePorts())) : mapped;
}

QList<SerialPortChoice> SerialPortChoices(int count, const IniFile& ini)
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    const QStringList devices = SortedDevices(ports);
    QList<SerialPortChoice> choices;
    for (int index = 0; index < count; ++index) {
        SerialPortChoice choice;
        choice.device = DeviceFor(index, ini, devices);
        if (!choice.device.isEmpty()) {
            choice.shown = choice.device;
            if (choice.shown.startsWith(QLatin1String("/dev/")))
                choice.shown.remove(0, 5);
            const auto listed = std::find_if(ports.begin(), ports.end(), [&choice](const QSerialPortInfo& info) {
                return info.systemLocation() == choice.device;
            });
            if (listed != ports.end() && !listed->description().isEmpty())
                choice.shown += QStringLiteral(" - ") + listed->description();
        }
        choices << choice;
    }
    return choices;
}
