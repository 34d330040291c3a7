#include "frameassembler.h"

QList<FrameAssembler::Piece> FrameAssembler::Feed(QByteArrayView bytes)
{
    m_Buffer.append(bytes);
    return Take(false);
}

QList<FrameAssembler::Piece> FrameAssembler::Expire()
{
    return Take(true);
}

QList<FrameAssembler::Piece> FrameAssembler::Take(bool quiet)
{
    QList<Piece> pieces;
    const QByteArrayView buffer(m_Buffer);
    qsizetype start = 0;
    qsizetype droppedFrom = 0; // rejected bytes go out as one piece per run
    const auto passDropped = [&] {
        if (droppedFrom < start)
            pieces.append({buffer.sliced(droppedFrom, start - droppedFrom).toByteArray(), false});
    };
    while (start < buffer.size()) {
        const QByteArrayView rest = buffer.sliced(start);
        const FrameJudgement judgement = m_Judge(rest);
        if (judgement.verdict == FrameJudgement::Verdict::Complete) {
            passDropped();
            pieces.append({rest.first(judgement.length).toByteArray(), true});
            start += judgement.length;
            droppedFrom = start;
        } else if (judgement.verdict == FrameJudgement::Verdict::Invalid || quiet) {
            // One byte at a time, so a frame that starts inside rejected bytes is still found.
            ++start;
        } else {
            break;
        }
    }
    passDropped();
    m_Buffer.remove(0, start);
    return pieces;
}
