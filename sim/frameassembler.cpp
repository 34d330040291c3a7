#include "frameassembler.h"

namespace {

void AppendDropped(QList<FrameAssembler::Piece>& pieces, char byte)
{
    if (pieces.isEmpty() || pieces.last().frame)
        pieces.append({QByteArray(), false});
    pieces.last().bytes.append(byte);
}

} // namespace

QList<FrameAssembler::Piece> FrameAssembler::Feed(const QByteArray& bytes)
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
    qsizetype start = 0;
    while (start < m_Buffer.size()) {
        const QByteArrayView rest = QByteArrayView(m_Buffer).sliced(start);
        const FrameJudgement judgement = m_Judge(rest);
        if (judgement.verdict == FrameJudgement::Verdict::Complete) {
            pieces.append({rest.first(judgement.length).toByteArray(), true});
            start += judgement.length;
        } else if (judgement.verdict == FrameJudgement::Verdict::Invalid || quiet) {
            // One byte at a time, so a frame that starts inside rejected bytes is still found.
            AppendDropped(pieces, m_Buffer[start]);
            ++start;
        } else {
            break;
        }
    }
    m_Buffer.remove(0, start);
    return pieces;
}
