#pragma once

#include <QByteArray>
#include <QString>

// The factory contents of the gateway's eight setup records, as hex text
// (two digits a byte): record 0 is 120 bytes, records 1 to 7 are 126 bytes.
// Empty for any other number.
QString DefaultRecordHex(int recordNumber);

// The same as bytes.
QByteArray DefaultRecordBytes(int recordNumber);

// The value of a text of hex digits (either case), read from the right; 0
// when the last character is not a hex digit.
quint32 HexToNumber(const QString& text);
