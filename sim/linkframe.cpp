#include "linkframe.h"

#include "comm/mbusframe.h"

namespace {

constexpr int kShortFrameLength = 5;
constexpr int kLongHeaderLength = 4;
constexpr int kLongFrameOverhead = 6; // 68h L L 68h ... CS 16h
constexpr int kMinLongLength = 3;     // C, A and CI

quint8 At(QByteArrayView bytes, qsizetype index)
{
    return static_cast<quint8>(bytes[index]);
}

FrameJudgement Complete(int length)
{
    return {FrameJudgement::Verdict::Complete, length, 0};
}

FrameJudgement Missing(int missing)
{
    return {FrameJudgement::Verdict::Incomplete, 0, missing};
}

FrameJudgement Invalid()
{
    return {FrameJudgement::Verdict::Invalid, 0, 0};
}

quint8 Sum(QByteArrayView bytes)
{
    return MBusChecksum(bytes.toByteArray());
}

FrameJudgement JudgeShort(QByteArrayView bytes)
{
    if (bytes.size() < kShortFrameLength)
        return Missing(kShortFrameLength - static_cast<int>(bytes.size()));
    if (At(bytes, 3) != Sum(bytes.sliced(1, 2)) || At(bytes, 4) != mbus::kStop)
        return Invalid();
    return Complete(kShortFrameLength);
}

FrameJudgement JudgeLong(QByteArrayView bytes)
{
    // Check what has arrived of the header before waiting for more, so that
    // garbage is dropped at once instead of after a long wait.
    if (bytes.size() >= 2 && At(bytes, 1) < kMinLongLength)
        return Invalid();
    if (bytes.size() >= 3 && At(bytes, 2) != At(bytes, 1))
        return Invalid();
    if (bytes.size() >= 4 && At(bytes, 3) != mbus::kLongStart)
        return Invalid();
    if (bytes.size() < 2)
        return Missing(kLongHeaderLength - static_cast<int>(bytes.size()));
    const int length = At(bytes, 1);
    const int total = length + kLongFrameOverhead;
    if (bytes.size() < total)
        return Missing(total - static_cast<int>(bytes.size()));
    if (At(bytes, length + 4) != Sum(bytes.sliced(kLongHeaderLength, length)) || At(bytes, length + 5) != mbus::kStop)
        return Invalid();
    return Complete(total);
}

} // namespace

FrameJudgement JudgeFrame(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return Missing(1);
    switch (At(bytes, 0)) {
    case mbus::kAck:
        return Complete(1);
    case mbus::kShortStart:
        return JudgeShort(bytes);
    case mbus::kLongStart:
        return JudgeLong(bytes);
    default:
        return Invalid();
    }
}

std::optional<LinkFrame> ParseFrame(QByteArrayView bytes)
{
    const FrameJudgement judgement = JudgeFrame(bytes);
    if (judgement.verdict != FrameJudgement::Verdict::Complete || judgement.length != bytes.size())
        return std::nullopt;
    LinkFrame frame;
    if (bytes.size() == 1) {
        frame.singleCharacter = true;
        return frame;
    }
    frame.control = At(bytes, bytes.size() == kShortFrameLength ? 1 : 4);
    frame.address = At(bytes, bytes.size() == kShortFrameLength ? 2 : 5);
    if (bytes.size() > kShortFrameLength) {
        frame.controlInformation = At(bytes, 6);
        frame.data = bytes.sliced(7, bytes.size() - 9).toByteArray();
    }
    return frame;
}
