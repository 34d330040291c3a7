#pragma once

#include <QByteArray>
#include <QString>

// A ':' record line of the gateway's serial setup mode: ":" LL AAAA TT data
// CC in pairs of hex digits, the sum of all pairs 0 modulo 256, LL the number
// of data pairs and TT 00 (data). The data of a good line is appended to the buffer when the line's address says it is the
// next record in order: the buffer must then hold exactly address + 4 bytes
// (the reader puts a 4-byte start in first). Returns whether it was taken.
bool ParseHexRecordLine(const QString& line, QByteArray& receiveBuffer);
