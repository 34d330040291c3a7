#pragma once

// A gateway connection of a test's own with a Modbus client on it, and the
// typed values of the rows read through it.
#include "linkparts.h"
#include "modbus/modbusclient.h"
#include "modbus/modbusrows.h"

#include <gtest/gtest.h>

#include <chrono>

class ModbusTestLink : public LinkParts {
public:
    ModbusTestLink()
    {
        log.SetMaxDebugLines(1000);
        link.BusTimeout = std::chrono::milliseconds(2000);
    }

    ::testing::AssertionResult OpenSerial(const QString& device)
    {
        ConnectionRequest request;
        request.serial = true;
        request.serialDevice = device;
        request.lineSettings = QStringLiteral("9600,N,8,1");
        return Open(request);
    }

    // A read, the reply as the client judged it, and the rows of these types
    // counted on from the first register and decoded.
    struct Typed {
        ModbusReadResult read;
        ModbusReplyCheck check;
        ModbusValueRows rows;
    };
    Typed Read(const ModbusRequest& request, modbus::Framing framing, const QList<std::pair<int, int>>& typesAndOrders)
    {
        Typed typed;
        typed.read = client.ReadModbusRegisters(request, framing);
        typed.check = typed.read.check;
        for (qsizetype i = 0; i < typesAndOrders.size(); ++i) {
            ModbusValueRow& row = typed.rows[static_cast<size_t>(i)];
            row.typeCode = typesAndOrders[i].first;
            row.orders = ModbusWordOrders(row.typeCode);
            row.orderCode = typesAndOrders[i].second;
        }
        UpdateModbusRows(typed.rows, {true, QString::number(request.firstRegister),
                                      QString::number(request.registerCount), typed.check.registerData});
        return typed;
    }

    ModbusClient client{connection, link, log};
};

// Type codes in the order of the page's list.
namespace modbustype {
enum : int { INT16 = 0, UINT16, INT32, UINT32, INT64, UINT64, FLOAT, DFLOAT, CHAR2, CHAR4, CHAR6 };
}
