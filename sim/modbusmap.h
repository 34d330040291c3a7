#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <optional>

// The registers of the simulated Modbus slaves behind the gateway, as the
// bus file's "modbus" object gives them (sim/README.md).

// One value placed at a register: fixed bytes, or a number of a type that
// may change by a step each time it is read.
struct ModbusValue {
    enum class Kind { Bytes, Int16, UInt16, Int32, UInt32, Int64, UInt64, Float, Double };
    int firstRegister = 0;
    Kind kind = Kind::Bytes;
    QByteArray bytes;   // Bytes: two per register, as they go out
    double number = 0;  // the numeric kinds
    qint64 integer = 0; // the 64-bit kinds, exactly
    double step = 0;    // added per read
    QString order = QStringLiteral("ABCD"); // how the value's bytes go out, A the most significant

    int Registers() const;
    // The value's bytes as they go out after the given number of earlier reads.
    QByteArray BytesAfter(qint64 reads) const;
};

struct ModbusSlave {
    int address = 1;
    QList<ModbusValue> holding; // function 3
    QList<ModbusValue> input;   // function 4
};

// Faults of the Modbus replies (delay, silence and pieces come from the gateway's faults).
struct ModbusFaults {
    bool wrongTransactionId = false; // TCP: the identifier of the request plus one
    bool badCrc = false;             // RTU: the check value's bytes inverted

    bool operator==(const ModbusFaults&) const = default;
};

struct ModbusMap {
    QList<ModbusSlave> slaves;
    ModbusFaults faults;
};

// Reads the "modbus" object; throws ConfigError (jsonreader.h) naming the path.
ModbusMap ReadModbusMap(const QJsonValue& value, const QString& path);

// Slave 1 with a value of every kind, for a start without a bus file.
ModbusMap DefaultModbusMap();

// The bytes of a value, most significant first, put into the word order.
QByteArray InWordOrder(const QByteArray& mostSignificantFirst, const QString& order);
