#pragma once

#include <QList>
#include <QString>

class IniFile;

// The device behind "COMn" (n = list index + 1): the INI file's section
// "SerialPorts" may name it ("COM3=/dev/ttyUSB0"); otherwise the n-th serial
// device the system lists, sorted by name. Empty when there is none.
QString SerialDeviceForPort(int portIndex, const IniFile& ini);

// What stands behind "COM1" to "COMcount", in that order: the device (empty
// when none) and how the list shows it, its name and, where the system
// knows one, its description (a USB adapter's name): "ttyUSB0 - FT232R USB
// UART". A pseudo-terminal has no description.
struct SerialPortChoice {
    QString device;
    QString shown;
};
QList<SerialPortChoice> SerialPortChoices(int count, const IniFile& ini);
