#include "mbusframe.h"

quint8 MBusChecksum(const QByteArray& bytes)
{
    quint8 sum = 0;
    for (const char byte : bytes)
        sum = static_cast<quint8>(sum + static_cast<quint8>(byte));
    return sum;
}

bool IsLoneAcknowledgement(const QByteArray& bytes)
{
    return bytes.size() == 1 && static_cast<quint8>(bytes[0]) == mbus::kAck;
}

QByteArray LongFrameUserData(const QByteArray& frame)
{
    constexpr int kTrailer = 2; // checksum and stop byte
    if (frame.size() <= mbus::kLongUserDataAt + kTrailer)
        return {};
    return frame.mid(mbus::kLongUserDataAt, frame.size() - mbus::kLongUserDataAt - kTrailer);
}

QByteArray ShortFrame(quint8 control, quint8 address)
{
    QByteArray frame;
    frame.append(static_cast<char>(mbus::kShortStart));
    frame.append(static_cast<char>(control));
    frame.append(static_cast<char>(address));
    frame.append(static_cast<char>(MBusChecksum(frame.mid(1, 2))));
    frame.append(static_cast<char>(mbus::kStop));
    return frame;
}

std::optional<QByteArray> LongFrame(quint8 control, quint8 address, quint8 controlInformation, const QByteArray& data)
{
    if (data.size() > mbus::kMaxLongFrameData)
        return std::nullopt;
    QByteArray body;
    body.append(static_cast<char>(control));
    body.append(static_cast<char>(address));
    body.append(static_cast<char>(controlInformation));
    body.append(data);
    const auto length = static_cast<char>(body.size());
    QByteArray frame;
    frame.append(static_cast<char>(mbus::kLongStart));
    frame.append(length);
    frame.append(length);
    frame.append(static_cast<char>(mbus::kLongStart));
    frame.append(body);
    frame.append(static_cast<char>(MBusChecksum(body)));
    frame.append(static_cast<char>(mbus::kStop));
    return frame;
}

namespace {

// C, A and CI: a long frame carries at least these.
constexpr int kLeastLongFrameLength = 3;
constexpr int kShortFrameSize = 5;

quint8 At(const QByteArray& bytes, qsizetype index)
{
    return static_cast<quint8>(bytes[index]);
}

bool IsShortFrame(const QByteArray& received)
{
    return received.size() == kShortFrameSize && At(received, 0) == mbus::kShortStart
        && At(received, kShortFrameSize - 1) == mbus::kStop;
}

} // namespace

MBusReplyCheck CheckMBusReply(const QByteArray& received)
{
    MBusReplyCheck check;
    if (IsLoneAcknowledgement(received)) {
        check.complete = true;
        return check;
    }
    // A short frame is whole as it stands, but no device answers with one.
    if (IsShortFrame(received)) {
        check.wrongFrame = true;
        return check;
    }
    if (received.size() < 4 || At(received, 0) != mbus::kLongStart || At(received, 3) != mbus::kLongStart)
        return check;
    const int length = At(received, 1);
    check.lengthField = length;
    if (received.size() != length + 6)
        return check;
    check.complete = At(received, 2) == length && length >= kLeastLongFrameLength
        && At(received, length + 4) == MBusChecksum(received.mid(4, length)) && At(received, length + 5) == mbus::kStop;
    check.wrongFrame = !check.complete;
    return check;
}

MissingReply JudgeMissingReply(const QByteArray& received)
{
    MissingReply missing;
    missing.received = static_cast<int>(received.size());
    if (received.isEmpty())
        return missing;
    const MBusReplyCheck check = CheckMBusReply(received);
    if (check.lengthField && !check.wrongFrame && At(received, 2) == *check.lengthField
        && missing.received < *check.lengthField + 6) {
        missing.kind = MissingReply::Kind::Incomplete;
        missing.expected = *check.lengthField + 6;
        return missing;
    }
    missing.kind = MissingReply::Kind::Garbled;
    return missing;
}

namespace {

struct RequestTarget {
    quint8 control = 0;
    quint8 address = 0;
};

std::optional<RequestTarget> Target(const QByteArray& request)
{
    if (IsShortFrame(request))
        return RequestTarget{At(request, 1), At(request, 2)};
    if (request.size() > mbus::kLongAddressAt && CheckMBusReply(request).complete)
        return RequestTarget{At(request, mbus::kLongControlAt), At(request, mbus::kLongAddressAt)};
    return std::nullopt;
}

bool ProvesNothing(const RequestTarget& target)
{
    constexpr quint8 kRequestForDataMask = 0xDE; // REQ_UD1 and REQ_UD2, frame count bit either way
    constexpr quint8 kRequestForData = 0x5A;
    constexpr quint8 kHighestPrimary = 250;
    return (target.control & kRequestForDataMask) == kRequestForData && target.address > kHighestPrimary;
}

} // namespace

bool AnswerAddressProvesNothing(const QByteArray& request)
{
    const std::optional<RequestTarget> target = Target(request);
    return target && ProvesNothing(*target);
}

qsizetype LeadingLateMBusFrameLength(const QByteArray& received, const QByteArray& request)
{
    const std::optional<RequestTarget> target = Target(request);
    if (!target || ProvesNothing(*target) || received.size() < 6 || At(received, 0) != mbus::kLongStart)
        return 0;
    const qsizetype length = At(received, 1) + 6;
    if (received.size() < length || !CheckMBusReply(received.left(length)).complete)
        return 0;
    return At(received, mbus::kLongAddressAt) == target->address ? 0 : length;
}

QString MBusTimeoutNote(int receivedLength, int lengthField, bool wrongFrame)
{
    const int expected = lengthField + 6;
    if (receivedLength == 0)
        return QStringLiteral("BusTimeout");
    if (receivedLength <= 3)
        return QStringLiteral("BusTimeout (Received %1 byte)").arg(receivedLength);
    // Nothing was missing: what came was wrong.
    if (wrongFrame)
        return QStringLiteral("BusTimeout (Received %1 bytes, bad frame)").arg(receivedLength);
    if (receivedLength > expected && lengthField == 0)
        return QStringLiteral("BusTimeout (Received %1 bytes)").arg(receivedLength);
    if (receivedLength > expected)
        return QStringLiteral("BusTimeout (Received to many bytes %1 of %2)").arg(receivedLength).arg(expected);
    return QStringLiteral("BusTimeout (Received only %1 of %2 bytes)").arg(receivedLength).arg(expected);
}
