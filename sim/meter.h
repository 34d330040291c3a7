#pragma once

#include "faults.h"
#include "linkframe.h"

#include <QByteArray>
#include <QString>
#include <optional>

// What a simulated meter is, as the bus file describes it.
struct MeterConfig {
    quint8 address = 0;                  // primary address 0-250
    quint32 id = 0;                      // identification number as BCD, 12345678 is 12345678h
    quint16 manufacturer = 0;            // three letters packed, see ManufacturerCode
    quint8 version = 0;
    quint8 medium = 0;
    int baud = 2400;
    quint8 accessNumber = 0;             // carried by the first RSP_UD
    quint8 status = 0;
    quint16 signature = 0;
    QByteArray records;                  // encoded data records after the header (CI 72h)
    bool fixedStructure = false;         // answer with CI 73h and the fixed structure
    quint16 fixedMediumUnit = 0;         // fixed structure: the medium and unit bytes, as sent
    quint32 fixedCounters[2] = {0, 0};   // fixed structure: the two counters, as BCD
    bool answersReqUd2 = true;           // false: acknowledges, but never sends RSP_UD
    Faults faults;
};

// Speed of the bus speed command with this CI (B8h 300 ... BFh 38400 baud).
std::optional<int> BaudOfSpeedCommand(quint8 controlInformation);

// One meter's link and application layer: a frame heard on the bus in, the
// bytes the meter sends back out. No clock, no socket.
class Meter {
public:
    explicit Meter(const MeterConfig& config);

    // Bytes heard on the bus; nothing comes back for a damaged frame, one
    // for another meter, or one the meter does not know.
    std::optional<QByteArray> Receive(const QByteArray& bytes);
    std::optional<QByteArray> Receive(const LinkFrame& frame);

    const MeterConfig& Config() const { return m_Config; }
    quint8 Address() const { return m_Config.address; }
    int Baud() const { return m_Config.baud; }
    bool Selected() const { return m_Selected; }
    quint8 AccessNumber() const { return m_Config.accessNumber; }

private:
    enum class Reach { NotMe, Answer, Quiet };
    Reach Addressed(const LinkFrame& frame) const;
    std::optional<QByteArray> Execute(const LinkFrame& frame);
    std::optional<QByteArray> ExecuteSndUd(const LinkFrame& frame);
    std::optional<QByteArray> RepeatOrExecute(const LinkFrame& frame);
    bool MatchesSelection(const QByteArray& mask) const;
    QByteArray RspUd();
    void ResetLink();

    MeterConfig m_Config;
    bool m_Selected = false;
    // Frame count bit of the last exchange, what was asked and what was answered:
    // a request with the same bit is a repetition and gets the same answer.
    std::optional<bool> m_LastFcb;
    QByteArray m_LastRequest;
    QByteArray m_LastReply;
};
