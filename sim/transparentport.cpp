#include "transparentport.h"

#include "modbusfrontend.h"

#include <QTimer>

TransparentPort::TransparentPort(Bus& bus, QObject* parent) : QObject(parent), m_Bus(bus) {}

FrameJudge TransparentPort::Judge() const
{
    return m_Modbus ? JudgeModbusFrame : JudgeFrame;
}

void TransparentPort::Submit(const QByteArray& frame, const QString& source, ReplySink sink, ClientLine line)
{
    emit Traffic(TrafficDirection::Received, source, frame);
    m_Waiting.push_back({frame, source, std::move(sink), line});
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

    const int baud = request.line.baud != 0 ? request.line.baud : m_Bus.Baud();
    const BusAnswer answer = m_Modbus ? m_Modbus->Answer(request.frame) : m_Bus.Transfer(request.frame, request.line.baud);
    const QByteArray reply = ApplyReplyFaults(answer.bytes, m_Faults);
    const Faults delivery = CombineFaults(m_Faults, answer.delivery);
    const auto perByte = CharacterTime(baud, m_Timing);
    if (request.line.paced && perByte.count() > 0 && !reply.isEmpty()) {
        emit Traffic(TrafficDirection::Sent, request.source, reply);
        QElapsedTimer clock;
        clock.start();
        const auto first = FirstByteTime(static_cast<int>(request.frame.size()), baud, m_Timing) + delivery.delay;
        SendPaced(request, reply, 0, first, perByte, clock);
        return;
    }
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

void TransparentPort::SendPaced(const Request& request, const QByteArray& reply, qsizetype sent,
                                std::chrono::microseconds first, std::chrono::microseconds perByte,
                                const QElapsedTimer& clock)
{
    // Byte n is in at first + n character times; the schedule runs on the
    // clock of the whole reply, so rounding to milliseconds never adds up.
    const auto elapsed = std::chrono::microseconds(clock.nsecsElapsed() / 1000);
    qsizetype due = 0;
    if (elapsed >= first)
        due = std::min<qsizetype>(reply.size(), 1 + (elapsed - first) / perByte);
    if (due > sent) {
        request.sink(reply.mid(sent, due - sent));
        sent = due;
    }
    if (sent == reply.size()) {
        Finish();
        return;
    }
    const auto next = first + perByte * sent;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - elapsed);
    QTimer::singleShot(wait, Qt::PreciseTimer, this, [=, this] { SendPaced(request, reply, sent, first, perByte, clock); });
}

void TransparentPort::Finish()
{
    m_Serving = false;
    ServeNext();
}
