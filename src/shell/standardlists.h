#pragma once

class QComboBox;
class Language;

// Fixed lists that several pages share.

// "COM1" to "COM16"; the index is the port number less one.
void FillSerialPortList(QComboBox* list);

// The six M-Bus line speeds, the uncommon ones marked with text 690:
// "300", "600 (..)", "1200 (..)", "2400", "4800 (..)", "9600".
void FillMBusLineSpeedList(QComboBox* list, const Language& language);

// Every serial speed of the Modbus and ASCII tasks, "300" to "19200".
void FillSerialBaudList(QComboBox* list);

// Selects an entry by a stored index, leaving the list without a selection
// when the index is out of range.
void SelectStoredIndex(QComboBox* list, int index);
