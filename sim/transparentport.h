#pragma once

#include "bus.h"
#include "faults.h"
#include "frameassembler.h"
#include "linetiming.h"
#include "traffictrace.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <deque>
#include <functional>

class ModbusFrontEnd;

// How a client's side of the port carries bytes.
struct ClientLine {
    // Bytes as they come off the bus, one every character time (a serial
    // line); otherwise a reply goes out whole once its last byte is in, as a
    // network gateway forwards it when the line falls silent.
    bool paced = false;
    // The speed the client's serial line runs at; 0: the bus speed, below 0
    // a speed no meter runs at.
    int baud = 0;
};

// The gateway's transparent port: frames from the clients go onto the bus
// one at a time (the bus is half duplex) and each answer goes back to the
// client that asked, after the line time, shaped by the faults. Never
// answers within the call that hands it a frame.
class TransparentPort : public QObject {
    Q_OBJECT
public:
    using ReplySink = std::function<void(const QByteArray&)>;

    explicit TransparentPort(Bus& bus, QObject* parent = nullptr);

    void SetTiming(const LineTiming& timing) { m_Timing = timing; }
    int BusBaud() const { return m_Bus.Baud(); }
    const LineTiming& Timing() const { return m_Timing; }
    void SetFaults(const Faults& faults) { m_Faults = faults; }
    const Faults& GatewayFaults() const { return m_Faults; }
    // The Modbus front end answers instead of the M-Bus behind the port
    // (null: the M-Bus again); it must outlive the port's use of it.
    void SetModbus(ModbusFrontEnd* modbus) { m_Modbus = modbus; }
    // How the clients' byte streams are cut into frames.
    FrameJudge Judge() const;

    void Submit(const QByteArray& frame, const QString& source, ReplySink sink, ClientLine line = {});
    // Bytes from a client that formed no frame: reported, never sent on.
    void Drop(const QByteArray& bytes, const QString& source);

    // No frame is waiting or being served.
    bool Idle() const { return !m_Serving && m_Waiting.empty(); }

signals:
    void Traffic(TrafficDirection direction, const QString& source, const QByteArray& bytes);

private:
    struct Request {
        QByteArray frame;
        QString source;
        ReplySink sink;
        ClientLine line;
    };

    void ServeNext();
    void SendPiece(const Request& request, const QList<QByteArray>& pieces, qsizetype index,
                   std::chrono::milliseconds gap);
    void SendPaced(const Request& request, const QByteArray& reply, qsizetype sent, std::chrono::microseconds first,
                   std::chrono::microseconds perByte, const QElapsedTimer& clock);
    void Finish();

    Bus& m_Bus;
    ModbusFrontEnd* m_Modbus = nullptr;
    LineTiming m_Timing;
    Faults m_Faults;
    std::deque<Request> m_Waiting;
    bool m_Serving = false;
};
