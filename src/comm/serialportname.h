#pragma once

#include <QString>

class IniFile;

// The device behind "COMn" (n = list index + 1): the INI file's section
// "SerialPorts" may name it ("COM3=/dev/ttyUSB0"); otherwise the n-th serial
// device the system lists, sorted by name. Empty when there is none.
QString SerialDeviceForPort(int portIndex, const IniFile& ini);
