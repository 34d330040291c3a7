#pragma once

#include "asciisettings.h"
#include "traffictrace.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include "netfaults.h"
#include <QUdpSocket>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QTcpSocket;
class QTimer;

// The gateway's ASCII protocol front end over UDP (a request per datagram)
// and TCP (a stream; each request ends at its ETX), answering from the tag
// table. It stands apart from the transparent port: it has its own ports.
class AsciiEndpoint : public QObject {
    Q_OBJECT
public:
    // Bytes without ETX that lie this long are answered as an incomplete request.
    static constexpr std::chrono::milliseconds kIncompleteAfter{200};
    // A stream holding more than this without an ETX is answered at once.
    static constexpr qsizetype kLongestRequest = 64 * 1024;

    explicit AsciiEndpoint(const AsciiSettings& settings, QObject* parent = nullptr);
    ~AsciiEndpoint() override;

    // Opens the ports given (0 picks a free one); on failure neither stays open.
    bool Open(const QHostAddress& address, std::optional<quint16> udpPort, std::optional<quint16> tcpPort,
              QString* error);
    quint16 UdpPort() const;
    quint16 TcpPort() const;
    // "ascii-udp 127.0.0.1:10003", "ascii-tcp ..." for the ports open.
    QStringList Descriptions() const;
    // Answers over UDP go out through these network faults from now on.
    void SetNetFaults(const NetFaults& faults, quint32 salt);

signals:
    void Traffic(TrafficDirection direction, const QString& source, const QByteArray& bytes);

private:
    using Sink = std::function<void(const QByteArray&)>;
    struct Stream {
        QByteArray pending;
        std::unique_ptr<QTimer> quiet;
    };

    void ReadDatagrams();
    void Accept();
    void FeedStream(QTcpSocket* socket, const QByteArray& bytes);
    void AnswerIncomplete(QTcpSocket* socket);
    static QString StreamSource(const QTcpSocket* socket);
    static Sink StreamSink(QTcpSocket* socket);
    void Answer(const QByteArray& request, const QString& source, const Sink& sink);

    const AsciiSettings& m_Settings;
    std::unique_ptr<QUdpSocket> m_Udp;
    std::unique_ptr<QTcpServer> m_Tcp;
    std::map<QTcpSocket*, Stream> m_Streams;
    std::unique_ptr<NetFaultShaper> m_Shaper;
};
