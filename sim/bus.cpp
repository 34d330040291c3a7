#include "bus.h"

#include "comm/mbusframe.h"

#include <algorithm>

QByteArray CombineAnswers(const QList<QByteArray>& answers, CollisionMode mode)
{
    if (answers.size() <= 1)
        return answers.value(0);
    const QByteArray ack(1, static_cast<char>(mbus::kAck));
    if (mode == CollisionMode::AckMerge && std::all_of(answers.begin(), answers.end(), [&](const QByteArray& answer) {
            return answer == ack;
        }))
        return ack;
    QByteArray overlay;
    for (const QByteArray& answer : answers) {
        if (overlay.size() < answer.size())
            overlay.resize(answer.size(), '\0');
        for (qsizetype i = 0; i < answer.size(); ++i)
            overlay[i] = static_cast<char>(overlay[i] | answer[i]);
    }
    // Overlaid acknowledgements (and, rarely, frames) still look whole; a
    // collision must never pass for an answer.
    if (CheckMBusReply(overlay).complete)
        overlay.append('\xFF');
    return overlay;
}

Bus::Bus(const QList<MeterConfig>& meters, int baud, CollisionMode collision)
    : m_Meters(meters.begin(), meters.end()), m_Baud(baud), m_Collision(collision)
{
}

BusAnswer Bus::Transfer(const QByteArray& frame, int lineBaud)
{
    const int baud = lineBaud != 0 ? lineBaud : m_Baud;
    BusAnswer answer;
    const std::optional<LinkFrame> parsed = ParseFrame(frame);
    if (!parsed)
        return answer;
    QList<QByteArray> answers;
    for (Meter& meter : m_Meters) {
        if (meter.Baud() != baud)
            continue;
        if (std::optional<QByteArray> reply = meter.Receive(*parsed)) {
            answers.append(*reply);
            answer.delivery = CombineFaults(answer.delivery, meter.Config().faults);
        }
    }
    answer.answering = static_cast<int>(answers.size());
    answer.bytes = CombineAnswers(answers, m_Collision);
    return answer;
}

Meter* Bus::FindMeter(quint32 id)
{
    const auto found = std::find_if(m_Meters.begin(), m_Meters.end(),
                                    [id](const Meter& meter) { return meter.Config().id == id; });
    return found == m_Meters.end() ? nullptr : &*found;
}
