#pragma once

#include "simulatedgateway.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QNetworkDatagram>
#include <QSerialPort>
#include <QTest>
#include <QUdpSocket>

// Clients of the simulated gateway's configuration side, on loopback only.

// Waits only catch hangs; everything normally arrives within milliseconds.
constexpr int kConfigHang = 5000;

// A client on loopback that keeps every datagram it gets.
class ConfigClient {
public:
    ConfigClient()
    {
        m_Socket.bind(QHostAddress::LocalHost, 0);
        QObject::connect(&m_Socket, &QUdpSocket::readyRead, [this] {
            while (m_Socket.hasPendingDatagrams())
                m_Datagrams.append(m_Socket.receiveDatagram().data());
        });
    }
    void Send(const QByteArray& bytes, quint16 port)
    {
        m_Datagrams.clear();
        m_Socket.writeDatagram(bytes, QHostAddress::LocalHost, port);
    }
    // The first answer, or nothing within the time.
    std::optional<QByteArray> Ask(const QByteArray& bytes, quint16 port, int waitMs = kConfigHang)
    {
        Send(bytes, port);
        if (!QTest::qWaitFor([this] { return !m_Datagrams.isEmpty(); }, waitMs))
            return std::nullopt;
        return m_Datagrams.first();
    }
    const QList<QByteArray>& Datagrams() const { return m_Datagrams; }
    QByteArray Received() const { return m_Datagrams.join(); }

private:
    QUdpSocket m_Socket;
    QList<QByteArray> m_Datagrams;
};

// The gateway's serial line, opened as a client opens a serial device.
class SerialLine {
public:
    explicit SerialLine(const QString& path) : m_Port(path)
    {
        QObject::connect(&m_Port, &QSerialPort::readyRead, [this] { m_Received += m_Port.readAll(); });
    }
    bool Open()
    {
        if (!m_Port.open(QIODevice::ReadWrite))
            return false;
        m_Port.setBaudRate(9600);
        return true;
    }
    void Send(const QByteArray& bytes)
    {
        m_Received.clear();
        m_Port.write(bytes);
        m_Port.flush();
    }
    bool WaitFor(const QByteArray& ending, int waitMs = kConfigHang)
    {
        return QTest::qWaitFor([&] { return m_Received.endsWith(ending); }, waitMs);
    }
    // Sends, then waits for an answer ending in the prompt; the answer.
    QByteArray Command(const QByteArray& bytes, const QByteArray& prompt = "0>")
    {
        Send(bytes);
        WaitFor(prompt);
        return m_Received;
    }
    // Whatever arrived within the time.
    QByteArray Quiet(int ms)
    {
        QTest::qWait(ms);
        return m_Received;
    }
    const QByteArray& Received() const { return m_Received; }

private:
    QSerialPort m_Port;
    QByteArray m_Received;
};
