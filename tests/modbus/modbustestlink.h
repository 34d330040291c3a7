#pragma once

// A gateway connection of a test's own with a Modbus client on it, and the
// typed values of the rows read through it.
#include "comm/connection.h"
#include "comm/deviceoperations.h"
#include "comm/link.h"
#include "modbus/modbusclient.h"
#include "modbus/modbusrows.h"
#include "base/inifile.h"
#include "base/trafficlog.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>

class ModbusTestLink {
public:
    ModbusTestLink()
        : ini(dir.filePath(QStringLiteral("Ostrand.INI")))
        , connection(ini, log, operations)
        , link(connection, log)
        , client(connection, link, log)
    {
        log.SetDebugLogging(true);
        log.SetMaxDebugLines(1000);
        link.BusDelay = std::chrono::milliseconds(0);
        link.BusTimeout = std::chrono::milliseconds(2000);
    }

    ::testing::AssertionResult OpenNetwork(quint16 port, bool udp)
    {
        ConnectionRequest request;
        request.host = QStringLiteral("127.0.0.1");
        request.port = port;
        request.udp = udp;
        return Opened(request);
    }

    ::testing::AssertionResult OpenSerial(const QString& device)
    {
        ConnectionRequest request;
        request.serial = true;
        request.serialDevice = device;
        request.lineSettings = QStringLiteral("9600,N,8,1");
        return Opened(request);
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

    bool Logged(const QString& text) const { return log.Lines().join(u'\n').contains(text); }

    QTemporaryDir dir;
    IniFile ini;
    TrafficLog log;
    DeviceOperations operations;
    Connection connection;
    Link link;
    ModbusClient client;

private:
    ::testing::AssertionResult Opened(const ConnectionRequest& request)
    {
        if (connection.OpenConnection(request, std::chrono::milliseconds(5000)))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "not open: " << connection.LastSocketError().toStdString();
    }
};

// Type codes in the order of the page's list.
namespace modbustype {
enum : int { INT16 = 0, UINT16, INT32, UINT32, INT64, UINT64, FLOAT, DFLOAT, CHAR2, CHAR4, CHAR6 };
}
