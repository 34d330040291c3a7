#include "asciiprotocol.h"

#include "comm/latereplies.h"
#include "base/textnumber.h"

#include <algorithm>

namespace {

QByteArray TwoDigits(int number)
{
    return QByteArray::number(std::clamp(number, 0, 99)).rightJustified(2, '0');
}

} // namespace

int NextAsciiSequence(int counter)
{
    const int next = counter + 1;
    return next > ascii::kHighestSequence ? 0 : next;
}

int AsciiStationFromText(const QString& text)
{
    return static_cast<int>(std::clamp<qint64>(LeadingNumber(text), 0, ascii::kHighestStation));
}

bool IsAsciiItemName(const QByteArray& tag)
{
    return !tag.trimmed().isEmpty() && !tag.contains(ascii::kStx) && !tag.contains(ascii::kEtx);
}

QByteArray AsciiChecksum(const QByteArray& characters)
{
    unsigned sum = 0;
    for (const char c : characters)
        sum += static_cast<quint8>(c);
    return QByteArray::number(sum % 256, 16).toUpper().rightJustified(2, '0');
}

QByteArray AsciiRequestFrame(const AsciiRequest& request)
{
    const QByteArray body = TwoDigits(request.sequence) + TwoDigits(request.protocol) + TwoDigits(request.station)
                            + request.tag;
    QByteArray frame;
    frame.append(ascii::kStx);
    frame.append(body);
    if (request.protocol == ascii::kStandardWithChecksum)
        frame.append(AsciiChecksum(body));
    frame.append(ascii::kEtx);
    return frame;
}

AsciiReplyKind JudgeAsciiReply(const QByteArray& received)
{
    if (received.isEmpty() || received.back() != ascii::kEtx)
        return AsciiReplyKind::Incomplete;
    if (received.front() == ascii::kAck)
        return AsciiReplyKind::Value;
    if (received.front() == ascii::kNak)
        return AsciiReplyKind::Error;
    return AsciiReplyKind::Incomplete;
}

qsizetype LeadingLateAsciiReplyLength(const QByteArray& received, UnansweredRequests& unanswered)
{
    const qsizetype end = received.indexOf(ascii::kEtx);
    if (end < 2 || JudgeAsciiReply(received.left(end + 1)) == AsciiReplyKind::Incomplete)
        return 0;
    const auto digit = [&](qsizetype at) { return received[at] >= '0' && received[at] <= '9' ? received[at] - '0' : -1; };
    if (digit(1) < 0 || digit(2) < 0)
        return 0;
    return unanswered.TakeLate(digit(1) * 10 + digit(2)) ? end + 1 : 0;
}

qsizetype AsciiReplyLength(const QByteArray& received)
{
    const qsizetype end = received.indexOf(ascii::kEtx);
    if (end < 0 || end + 1 == received.size())
        return received.size();
    const QByteArray rest = received.mid(end + 1);
    return JudgeAsciiReply(rest) == AsciiReplyKind::Incomplete ? received.size() : end + 1;
}

char AsciiErrorLetter(const QByteArray& reply)
{
    return reply.size() >= 2 ? reply.at(reply.size() - 2) : '\0';
}

QString AsciiErrorText(char letterCode)
{
    const char* text = nullptr;
    switch (letterCode) {
    case 'C': text = "Error C: Crc fault"; break;
    case 'D': text = "Error D: Wrong data type (Must be VT_BSTR)"; break;
    case 'I': text = "Error I: Can't find Item ID"; break;
    case 'L': text = "Error L: Bad Length"; break;
    case 'M': text = "Error M: Timeout master port"; break;
    case 'N': text = "Error N: No complete request message"; break;
    case 'O': text = "Error O: To many read items"; break;
    case 'S': text = "Error S: No start character"; break;
    case 'T': text = "Error T: Timeout slave port"; break;
    case 'V': text = "Error V: Validation (Write value out of range)"; break;
    case 'X': text = "Error X: Internal use for wrong multi drop address"; break;
    default: text = "Unknown AsciiError"; break;
    }
    return QString::fromLatin1(text);
}

QByteArray AsciiReplyValue(const QByteArray& reply, int protocol)
{
    const qsizetype size = reply.size();
    qsizetype end = size - 1; // ETX
    if (protocol == ascii::kStandardWithChecksum && size != ascii::kValueOffset + 2)
        end -= ascii::kChecksumLength;
    if (end <= ascii::kValueOffset)
        return {};
    return reply.mid(ascii::kValueOffset, end - ascii::kValueOffset);
}

QString AsciiTimeoutNote(qsizetype receivedLength)
{
    return QStringLiteral("BusTimeout (Received %1 bytes)").arg(receivedLength);
}
