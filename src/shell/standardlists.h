#pragma once

class IniFile;
class QComboBox;
class Language;

// Fixed lists that several pages share.

// "COM1" to "COM16"; the index is the port number less one. A port with a
// device behind it shows the device and its description beside its name,
// "COM1 (ttyUSB0 - FT232R USB UART)", and has the device as its data.
void FillSerialPortList(QComboBox* list, const IniFile& ini);

// The six M-Bus line speeds, the uncommon ones marked with text 690:
// "300", "600 (..)", "1200 (..)", "2400", "4800 (..)", "9600".
void FillMBusLineSpeedList(QComboBox* list, const Language& language);

// Every serial speed of the Modbus and ASCII tasks, "300" to "19200".
void FillSerialBaudList(QComboBox* list);

// Selects an entry by a stored index, leaving the list without a selection
// when the index is out of range.
void SelectStoredIndex(QComboBox* list, int index);
