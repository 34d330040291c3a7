#pragma once

#include "netsetup/discovery.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <vector>

class QUdpSocket;

// Gateways on loopback that answer the discovery query. A socket on
// 127.0.0.1 takes the query (the scan's target instead of the broadcast);
// each gateway then answers from its own socket on its own 127.0.0.x address
// after its delay, so the scan sees as many senders as there are gateways.
class LoopbackGateways : public QObject {
    Q_OBJECT
public:
    LoopbackGateways();
    ~LoopbackGateways() override;

    DiscoveryTarget Target() const;
    QString TargetText() const; // "127.0.0.1:port"

    // A gateway at that loopback address sending these answers, each the
    // given time after the one before (the first after the query).
    void Add(const QString& ip, const QList<QByteArray>& answers,
             std::chrono::milliseconds gap = std::chrono::milliseconds(0));

    // The queries that arrived, and when (ms on one monotonic clock).
    const QList<QByteArray>& Queries() const { return m_Queries; }
    // When each answer left, on the same clock, in sending order.
    const QList<qint64>& AnswerTimesMs() const { return m_AnswerTimes; }
    static qint64 NowMs();

    // An answer as the gateways send it: 24 bytes of description, then the
    // MAC address; padded with zeros or cut to the length.
    static QByteArray Answer(const QByteArray& mac, int length = 30);
    static QByteArray Mac(const char* text); // "00-20-4A-01-02-03"

private:
    struct Gateway {
        QUdpSocket* socket;
        QList<QByteArray> answers;
        std::chrono::milliseconds gap;
    };
    void OnQuery();

    QUdpSocket* m_Listener;
    std::vector<Gateway> m_Gateways;
    QList<QByteArray> m_Queries;
    QList<qint64> m_AnswerTimes;
};
