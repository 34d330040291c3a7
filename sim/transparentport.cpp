#include "transparentport.h"

#include "modbusfrontend.h"

#include <QTimer>

TransparentPort::TransparentPort(Bus& bus, QObject* parent) : QObject(parent), m_Bus(bus) {}

FrameJudge TransparentPort::Judge() const
{
    return m_Modbus ? JudgeModbusFrame : JudgeFrame;
}

void TransparentPort::Submit(const QByteArray& frame, const QString& source, ReplySink sink)
{
    emit Traffic(TrafficDirection::Received, source, frame);
    m_Waiting.push_back({frame, source, std::move(sink)});
    // Served from the event loop, so a client never gets its answer inside its own send.
    QTimer::singleShot(0, this, &TransparentPort::ServeNext);
}

void TransparentPort::Drop(const QByteArray& bytes, const QString& source)
{
    emit Traffic(TrafficDirection::Dropped, source, bytes);
}

void TransparentPort::ServeNext()
{
    if (m_Serving || m_Waiting.empty())
        return;
    m_Serving = true;
    const Request request = m_Waiting.front();
    m_Waiting.pop_front();

    const int baud = m_Bus.Baud();
    const BusAnswer answer = m_Modbus ? m_Modbus->Answer(request.frame) : m_Bus.Transfer(request.frame);
    const QByteArray reply = ApplyReplyFaults(answer.bytes, m_Faults);
    const Faults delivery = CombineFaults(m_Faults, answer.delivery);
    auto wait = ExchangeTime(static_cast<int>(request.frame.size()), static_cast<int>(reply.size()), baud, m_Timing);
    if (!reply.isEmpty())
        wait += delivery.delay;
    const QList<QByteArray> pieces = DivideReply(reply, delivery);
    QTimer::singleShot(wait, this, [this, request, pieces, gap = delivery.pieceGap] {
        if (pieces.isEmpty()) {
            Finish();
            return;
        }
        emit Traffic(TrafficDirection::Sent, request.source, pieces.join());
        SendPiece(request, pieces, 0, gap);
    });
}

void TransparentPort::SendPiece(const Request& request, const QList<QByteArray>& pieces, qsizetype index,
                                std::chrono::milliseconds gap)
{
    request.sink(pieces[index]);
    if (index + 1 == pieces.size()) {
        Finish();
        return;
    }
    QTimer::singleShot(gap, this, [this, request, pieces, index, gap] { SendPiece(request, pieces, index + 1, gap); });
}

void TransparentPort::Finish()
{
    m_Serving = false;
    ServeNext();
}
