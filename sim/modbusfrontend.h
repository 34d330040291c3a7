#pragma once

#include "bus.h"
#include "linkframe.h"
#include "modbusmap.h"

#include <QByteArray>
#include <QByteArrayView>
#include <map>
#include <optional>
#include <tuple>

// Judges the start of a buffer as a Modbus request: an RTU request of 8
// bytes with a good CRC (functions 1-6), or a Modbus TCP request whose MBAP
// header (protocol 0, length 6-254) says how long it is.
FrameJudgement JudgeModbusFrame(QByteArrayView bytes);

// The gateway's Modbus front end: answers read requests (functions 3 and 4)
// from the register map in the framing they came in, with the exceptions a
// slave or a gateway gives, shaped by the Modbus faults.
class ModbusFrontEnd {
public:
    explicit ModbusFrontEnd(ModbusMap map = {});

    // The reply to one whole request; empty bytes when nobody answers.
    BusAnswer Answer(const QByteArray& request);

    void SetFaults(const ModbusFaults& faults) { m_Map.faults = faults; }
    const ModbusFaults& Faults() const { return m_Map.faults; }
    const ModbusMap& Map() const { return m_Map; }

private:
    QByteArray Respond(const ModbusSlave* slave, const QByteArray& pdu);
    std::optional<QByteArray> ReadRegisters(const ModbusSlave& slave, int function, int first, int count);

    ModbusMap m_Map;
    std::map<std::tuple<int, int, qsizetype>, qint64> m_Reads; // (slave, function, value) -> reads so far
};
