#include "asciiresponder.h"

#include "ascii/asciiprotocol.h"

#include <algorithm>

namespace {

constexpr int kHeaderLength = 6; // sequence, protocol, station

// The six characters a reply repeats: the request's header as far as it
// goes, zeros for the rest.
QByteArray Echo(const QByteArray& body)
{
    return body.left(kHeaderLength).leftJustified(kHeaderLength, '0');
}

bool AllDigits(const QByteArray& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

AsciiAnswer Error(const QByteArray& body, char letter)
{
    return {AsciiErrorReply(Echo(body), letter), std::chrono::milliseconds(0)};
}

} // namespace

QByteArray AsciiErrorReply(const QByteArray& echo, char letter)
{
    return ascii::kNak + echo + letter + ascii::kEtx;
}

AsciiAnswer AnswerAsciiRequest(const AsciiSettings& settings, const QByteArray& request)
{
    if (request.isEmpty() || request.front() != ascii::kStx)
        return Error({}, 'S');
    if (request.size() < 2 || request.back() != ascii::kEtx)
        return Error(request.mid(1), 'N');
    QByteArray body = request.mid(1, request.size() - 2);
    const QByteArray header = body.left(kHeaderLength);
    const int protocol = header.mid(2, 2).toInt();
    if (header.size() < kHeaderLength || !AllDigits(header)
        || (protocol != ascii::kStandard && protocol != ascii::kStandardWithChecksum))
        return Error(body, 'N');
    if (protocol == ascii::kStandardWithChecksum) {
        const QByteArray checksum = body.right(ascii::kChecksumLength).toUpper();
        body.chop(ascii::kChecksumLength);
        if (body.size() < kHeaderLength || checksum != AsciiChecksum(body))
            return Error(header, 'C');
    }
    if (header.mid(4, 2).toInt() != settings.station)
        return Error(header, 'X');
    const QByteArray name = body.mid(kHeaderLength);
    if (name.isEmpty() || name.size() > settings.maxTagLength)
        return Error(header, 'L');
    if (name.contains(','))
        return Error(header, 'O');
    const auto tag = std::find_if(settings.tags.begin(), settings.tags.end(),
                                  [&](const AsciiTag& candidate) { return candidate.name == name; });
    if (tag == settings.tags.end())
        return Error(header, 'I');
    AsciiAnswer answer;
    answer.delay = tag->delay;
    if (tag->error) {
        answer.reply = AsciiErrorReply(header, tag->error);
        return answer;
    }
    QByteArray content = header + tag->value;
    if (protocol == ascii::kStandardWithChecksum)
        content += AsciiChecksum(content);
    answer.reply = ascii::kAck + content + ascii::kEtx;
    return answer;
}
