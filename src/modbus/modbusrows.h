#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The data types of the Modbus value rows, their word orders, and how each
// row finds its value in the register data. Pure: the page copies its
// controls into ModbusValueRows, calls these and shows the rows again.

// The type names in the order of their codes (a list index is the type code).
const QStringList& ModbusTypeNames();
// The 16-bit registers a value of the type occupies; 0 for a name not in the list.
int ModbusRegistersPerType(const QString& typeName);
int ModbusRegistersPerType(int typeCode);
// The word orders the type offers; a position is the word order code.
QStringList ModbusWordOrders(const QString& typeName);
QStringList ModbusWordOrders(int typeCode);

// Each byte as two upper-case hex digits, a blank after every second byte
// unless it is the n-th, so registers read as groups of four digits.
QString ModbusHexText(const QByteArray& bytes, int n);

// One value row as the page shows it.
struct ModbusValueRow {
    QString registerText;
    int typeCode = 0;
    int orderCode = 0;
    QStringList orders = ModbusWordOrders(0); // the word order list's entries
    QString bytesText;
    QString valueText;
    QString description;
    bool outOfRange = false; // a typed register outside the request: the field shows yellow
};

constexpr int kModbusValueRows = 6;
using ModbusValueRows = std::array<ModbusValueRow, kModbusValueRows>;

// What the rows are computed from: the page's request fields and the
// register data of the last good reply.
struct ModbusRowSource {
    bool autoRegister = true;
    QString firstRegister;
    QString registerCount;
    QByteArray registerData;
};

// Every row's word order list refilled for its current type, entry 0 chosen.
void FillModbusWordOrders(ModbusValueRows& rows);
// Register numbers counted from the first register (or the typed ones
// judged against the request), then the values decoded.
void UpdateModbusRows(ModbusValueRows& rows, const ModbusRowSource& source);
// The bytes and value of every row with a register whose value starts in
// the register data; other rows stay as they are.
void DecodeModbusRows(ModbusValueRows& rows, const ModbusRowSource& source);
// A typed register field was left.
void LeaveModbusRegister(ModbusValueRows& rows, int row, const ModbusRowSource& source);
// Clear: the lists to entry 0, the register, bytes, value and description emptied.
void ClearModbusRows(ModbusValueRows& rows);

// The value text of the bytes in one word order, as the value library writes it.
QString ModbusValueText(const QByteArray& bytes, int typeCode, int orderCode);
// The bytes of a row's value: from its register on, at most the type's
// byte count and no further than the data's end; nothing when its value
// does not start inside the data.
std::optional<QByteArray> ModbusRowBytes(const QString& registerText, int typeCode, const ModbusRowSource& source);
