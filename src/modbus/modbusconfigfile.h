#pragma once

#include "modbuscodec.h"
#include "base/fileerror.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The Modbus page saved as a small comma-separated text file: "WizardModbus",
// the request line, then one line per value row; CR LF after every line, a
// comma after every line's last field. Pure: text in, values out.

// Line 2: the request.
struct ModbusConfigRequest {
    bool autoRegister = true;
    modbus::Framing framing = modbus::Framing::Tcp;
    int functionIndex = 0;
    QString slaveAddress;
    QString firstRegister;
    QString registerCount;
};

// Lines 3-8: one value row each.
struct ModbusConfigRow {
    int typeCode = 0;
    int orderCode = 0;
    QString registerText;
    QString bytesText;
    QString valueText;
    QString description;
};

struct ModbusConfiguration {
    ModbusConfigRequest request;
    QList<ModbusConfigRow> rows;
};

inline const QString kModbusConfigMarker = QStringLiteral("WizardModbus");

// The file's text, exactly as laid out.
QByteArray FormatModbusConfiguration(const ModbusConfiguration& configuration);

// The fields of one line: a comma ends a field, every double quote is
// dropped, and the last field counts even without a comma after it. In a
// row line the value is written with its commas and double quotes escaped
// as \, and \" and read back whole; the description takes the rest of the line.
QStringList SplitModbusConfigFields(const QString& line);

// What a file gave. A file whose first line is not the marker is not read
// further. The request is there when line 2 was read whole; the rows are
// those read before the first error, each whole or not at all.
struct ModbusConfigLoad {
    bool recognised = false;
    std::optional<ModbusConfigRequest> request;
    QList<ModbusConfigRow> rows;
    std::optional<FileError> error; // the classic runtime error that stopped the reading
};
ModbusConfigLoad ParseModbusConfiguration(const QByteArray& content);
