#include "loopbackgateways.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>

LoopbackGateways::LoopbackGateways()
    : m_Listener(new QUdpSocket(this))
{
    m_Listener->bind(QHostAddress::LocalHost, 0);
    connect(m_Listener, &QUdpSocket::readyRead, this, [this] { OnQuery(); });
}

LoopbackGateways::~LoopbackGateways() = default;

qint64 LoopbackGateways::NowMs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

DiscoveryTarget LoopbackGateways::Target() const
{
    return {QHostAddress(QHostAddress::LocalHost), m_Listener->localPort()};
}

QString LoopbackGateways::TargetText() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_Listener->localPort());
}

void LoopbackGateways::Add(const QString& ip, const QList<QByteArray>& answers, std::chrono::milliseconds gap)
{
    auto* socket = new QUdpSocket(this);
    if (!socket->bind(QHostAddress(ip), 0))
        qFatal("cannot bind a test gateway to %s", qPrintable(ip));
    m_Gateways.push_back({socket, answers, gap});
}

void LoopbackGateways::OnQuery()
{
    while (m_Listener->hasPendingDatagrams()) {
        QByteArray query(static_cast<qsizetype>(m_Listener->pendingDatagramSize()), Qt::Uninitialized);
        QHostAddress sender;
        quint16 senderPort = 0;
        m_Listener->readDatagram(query.data(), query.size(), &sender, &senderPort);
        m_Queries << query;
        for (const Gateway& gateway : m_Gateways) {
            if (gateway.gap.count() == 0) {
                // A burst: everything at once, before the scan can read any of it.
                for (const QByteArray& answer : gateway.answers) {
                    gateway.socket->writeDatagram(answer, sender, senderPort);
                    m_AnswerTimes << NowMs();
                }
                continue;
            }
            std::chrono::milliseconds at{0};
            for (const QByteArray& answer : gateway.answers) {
                at += gateway.gap;
                auto* timer = new QTimer(this);
                timer->setSingleShot(true);
                timer->setTimerType(Qt::PreciseTimer);
                connect(timer, &QTimer::timeout, this, [this, timer, socket = gateway.socket, answer, sender, senderPort] {
                    socket->writeDatagram(answer, sender, senderPort);
                    m_AnswerTimes << NowMs();
                    timer->deleteLater();
                });
                timer->start(at);
            }
        }
    }
}

QByteArray LoopbackGateways::Answer(const QByteArray& mac, int length)
{
    QByteArray answer = QByteArrayLiteral("\x00\x00\x00\xF7");
    answer.append(QByteArray(20, '\0'));
    answer.append(mac);
    answer.resize(length, '\0');
    return answer;
}

QByteArray LoopbackGateways::Mac(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace('-', ""));
}
