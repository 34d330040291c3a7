#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <optional>

// A gateway configuration record: its number and its bytes, with typed
// accessors for the fields the wizard edits. Record 0 holds the network
// settings and the first serial channel, record 1 the security switches;
// every byte the accessors do not name is carried unchanged.
//
// The bytes may come from a device and be shorter than a field: a getter then
// gives an empty text (false, -1 for the line speed), and a setter changes
// nothing and returns false. A setter also refuses a dotted address with a
// number outside 0-255.
class cRecord {
public:
    explicit cRecord(int recordNumber = 0)
        : m_RecordNumber(static_cast<qint16>(recordNumber))
    {
    }

    int RecordNumber() const { return m_RecordNumber; }
    const QByteArray& Bytes() const { return m_Record; }
    void SetBytes(const QByteArray& bytes) { m_Record = bytes; }

    // The factory contents of this record number; with keepSettings, record 0
    // keeps its address, mask, password, gateway, line speed, port and
    // protocol bytes from before.
    void RestoreRecordToDefault(bool keepSettings);

    QString Get_IPAddress() const;
    [[nodiscard]] bool Set_IPAddress(const QString& address);
    QString Get_Gateway() const;
    [[nodiscard]] bool Set_Gateway(const QString& address);
    QString Get_NetMask() const;
    [[nodiscard]] bool Set_NetMask(const QString& mask);

    QString Get_IPPort() const;
    // The number the text starts with, clamped to 0-65535.
    [[nodiscard]] bool Set_IPPort(const QString& port);
    bool Get_IsUsingUDP() const;
    [[nodiscard]] bool Set_IsUsingUDP(bool udp);
    QString Get_TelnetPassword() const;
    // The first four characters; shorter passwords are padded with 00h.
    [[nodiscard]] bool Set_TelnetPassword(const QString& password);
    // List index 0-5 for 300 to 9600 baud.
    int Get_LineSpeed() const;
    [[nodiscard]] bool Set_LineSpeed(int index);

    // The security switches of record 1.
    bool Get_AllowTelnet() const;
    [[nodiscard]] bool Set_AllowTelnet(bool allow);
    bool Get_Allow77FE() const;
    [[nodiscard]] bool Set_Allow77FE(bool allow);

private:
    bool Holds(int offset, int width) const { return offset >= 0 && offset + width <= m_Record.size(); }
    quint8 At(int offset) const { return static_cast<quint8>(m_Record[offset]); }
    QString GetDotted(int offset) const;
    bool SetDotted(int offset, const QString& address);
    bool SetSwitch(quint8 bit, bool allow);

    qint16 m_RecordNumber;
    QByteArray m_Record; // empty until read or restored
};

// The eight records, numbered 0 to 7, created once at start-up.
struct DeviceRecords {
    DeviceRecords()
    {
        for (int i = 0; i < static_cast<int>(m_Record.size()); ++i)
            m_Record[static_cast<size_t>(i)] = cRecord(i);
    }
    std::array<cRecord, 8> m_Record;
};

// Four dot-separated fields as octets, the classic way: a missing field is 0,
// each field's leading number counts; nothing when one is outside 0-255.
std::optional<std::array<quint8, 4>> DottedOctets(const QString& address);
