#pragma once

#include "vifcodes.h"

#include <QByteArray>
#include <QString>
#include <optional>

// The data of one EN 13757-3 record as text, by its data field code (the
// DIF's low four bits) and the quantity its VIF gives it. Data are passed
// least significant byte first.

// The data's value, or why it has none.
struct FieldValue {
    QString text;
    QString unit;  // the quantity's unit, with a prefix where the scaling allows one ("kWh")
    QString error; // the data do not fit the quantity (a date in 5 bytes, a BCD digit above 9)
};

// Bytes of data for the codes with a fixed size: 0 to 7 and 9 to Ch, Eh
// (8h, readout selection, carries none); nothing for Dh and Fh.
std::optional<int> FixedDataSize(int dataField);

FieldValue DecodeFixedField(const QByteArray& data, int dataField, const Quantity& quantity);

// Data field Dh: the bytes after the LVAR byte, as many as VariableDataSize
// said.
FieldValue DecodeVariableField(quint8 lvar, const QByteArray& data, const Quantity& quantity);
// Bytes after an LVAR byte; nothing for the reserved values F7h-FFh.
std::optional<int> VariableDataSize(quint8 lvar);

// "mantissa × 10^exponent" as plain decimal text with as many decimals as
// the exponent gives ("12345" and -3: "12.345").
QString ScaledDecimal(qint64 mantissa, int exponent);

// The bytes as two-digit upper-case hex separated by blanks.
QString HexBytes(const QByteArray& bytes);
