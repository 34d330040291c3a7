#pragma once

#include "connectionrequest.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>

class DeviceOperations;
class IniFile;
class QSerialPort;
class QTcpSocket;
class QUdpSocket;
class TrafficLog;

enum class ConnectionMode : qint16 { None = 0, Udp = 1, Serial = 2, Tcp = 3 };

// The one connection to a gateway's transparent port: a serial port, a TCP
// connection or UDP datagrams. It owns the receive buffers that the waits
// look at, and tells about every arrival.
class Connection : public QObject {
    Q_OBJECT
public:
    // Socket data beyond this many bytes since the last send pushes the
    // oldest out.
    static constexpr qsizetype kSocketBufferLimit = 1024;

    Connection(const IniFile& ini, TrafficLog& log, DeviceOperations& operations, QObject* parent = nullptr);
    ~Connection() override;

    // The device operations every wait on this connection belongs to.
    DeviceOperations& Operations() const { return m_Operations; }

    // Opens the connection the request describes; true when it is usable.
    // An open connection is kept as it is. A TCP connect waits up to
    // openTimeout (a device operation: it refuses while another runs); its
    // failure leaves the socket's words in LastSocketError.
    bool OpenConnection(const ConnectionRequest& request, std::chrono::milliseconds openTimeout);
    void CloseConnection();

    // Each step ignores its own failure, as a port that cannot take a line
    // setting may still carry bytes; false when the port did not open.
    bool OpenSerialPort(int portIndex, const QString& lineSettings);
    bool OpenSerialDevice(const QString& device, const QString& lineSettings);
    void CloseSerialPort();
    bool SerialPortOpen() const;

    bool ConnectionOpen() const { return m_ConnectionOpen; }
    ConnectionMode Mode() const { return m_ConnectionMode; }
    // What the last OpenConnection was asked to open: the host and port as
    // given, or the serial port and its line settings.
    const ConnectionRequest& Request() const { return m_Request; }
    const QString& LastSocketError() const { return m_LastSocketError; }

    // Sends through the socket or writes to the serial port by mode; the
    // description of a socket send failure, or empty.
    QString Send(const QByteArray& bytes);
    // Writes to the serial port when it is open; starts a fresh line.
    void WriteSerialBytes(const QByteArray& bytes);

    QByteArray& ReceiveBuffer() { return m_ReceiveBuffer; }
    const QByteArray& SerialReceiveBuffer() const { return m_SerialReceiveBuffer; }
    const QString& SerialLineBuffer() const { return m_SerialLineBuffer; }
    void ClearReceiveBuffers();

    // One serial receive event's bytes, as the port delivers them.
    void OnSerialReceive(const QByteArray& chunk);

signals:
    void bytesArrived();
    void closed();

private:
    bool OpenTcp(const ConnectionRequest& request, std::chrono::milliseconds openTimeout);
    bool OpenUdp(const ConnectionRequest& request);
    void OnSocketData(const QByteArray& data);
    void OnSocketError(const QString& description);
    void OnSerialError(int error);
    void DropSocket();

    const IniFile& m_Ini;
    TrafficLog& m_Log;
    DeviceOperations& m_Operations;
    ConnectionMode m_ConnectionMode = ConnectionMode::None;
    ConnectionRequest m_Request;
    bool m_ConnectionOpen = false;
    QByteArray m_ReceiveBuffer;
    QByteArray m_SerialReceiveBuffer;
    QString m_SerialLineBuffer;
    QString m_LastSocketError;
    QHostAddress m_PeerAddress;
    quint16 m_PeerPort = 0;
    QPointer<QTcpSocket> m_Tcp;
    QPointer<QUdpSocket> m_Udp;
    QPointer<QSerialPort> m_Serial;
};
