#pragma once

#include "faults.h"
#include "meter.h"

#include <QByteArray>
#include <QList>
#include <vector>

// What the master hears when several meters answer at once.
enum class CollisionMode {
    Garble,   // the answers overlay into bytes that form no frame
    AckMerge, // identical E5h acknowledgements overlay into one clean E5h, as on real buses
};

// What comes back from the bus for one frame.
struct BusAnswer {
    QByteArray bytes;   // empty when nobody answered
    int answering = 0;  // meters that sent something
    Faults delivery;    // the answering meters' faults that shape how the reply is sent
};

// The answers of several meters as one byte string on the line.
QByteArray CombineAnswers(const QList<QByteArray>& answers, CollisionMode mode);

// The meters on the gateway's M-Bus. Only meters set to the bus speed hear
// frames; the others see noise and neither act nor answer.
class Bus {
public:
    explicit Bus(const QList<MeterConfig>& meters = {}, int baud = 2400,
                 CollisionMode collision = CollisionMode::Garble);

    // The frame on the line at the bus speed, or at the speed the client's
    // own serial line runs (lineBaud not 0): only meters at that speed hear it.
    BusAnswer Transfer(const QByteArray& frame, int lineBaud = 0);

    int Baud() const { return m_Baud; }
    void SetBaud(int baud) { m_Baud = baud; }
    CollisionMode Collision() const { return m_Collision; }
    void SetCollision(CollisionMode collision) { m_Collision = collision; }

    std::vector<Meter>& Meters() { return m_Meters; }
    const std::vector<Meter>& Meters() const { return m_Meters; }
    // The meter with this identification number (BCD), or null.
    Meter* FindMeter(quint32 id);

private:
    std::vector<Meter> m_Meters;
    int m_Baud;
    CollisionMode m_Collision;
};
