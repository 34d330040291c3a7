#include "serialportname.h"

#include "base/inifile.h"

#include <QSerialPortInfo>
#include <algorithm>

QString SerialDeviceForPort(int portIndex, const IniFile& ini)
{
    if (portIndex < 0)
        return QString();
    const QString comName = QStringLiteral("COM") + QString::number(portIndex + 1);
    const QString mapped = ini.ReadIniValue(QStringLiteral("SerialPorts"), comName, QString());
    if (!mapped.isEmpty())
        return mapped;
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    std::sort(devices.begin(), devices.end());
    return portIndex < devices.size() ? devices[portIndex] : QString();
}
